#pragma once
// Win32 stand-in over SDL2: the basic types of the windowing interface. The window, message
// and dialog calls are declared below the types as the stand-in grows.

#include <cstdint>

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using LPSTR = char*;
using LPCSTR = const char*;

using HRESULT = int32_t;

struct InstanceRecord;
using HINSTANCE = InstanceRecord*;
// A window: an SDL window with an OpenGL-capable surface (defined by the win32 stand-in).
struct WindowRecord;
using HWND = WindowRecord*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr int SW_SHOWNORMAL = 1;

// The module handle of the program (never null).
HINSTANCE GetModuleHandleA(LPCSTR moduleName);
