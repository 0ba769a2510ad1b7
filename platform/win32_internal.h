#pragma once
// Shared by the win32, dialog, kernel32 and winmm stand-ins only: the window record behind a
// window handle, the handle registry, the call trace and fault injection of the test hooks.

#include <SDL2/SDL.h>

#include <string>
#include <vector>

#include "platform/testing_win32.h"
#include "platform/win32.h"

enum class WindowKind : uint8_t { kTopLevel, kDialog, kControl };

struct DialogRecord;  // platform/dialog.cpp

// Records are never freed: a destroyed window keeps its record with alive = false, so a
// stale handle is recognised instead of read after free.
struct WindowRecord {
  WindowKind kind = WindowKind::kTopLevel;
  bool alive = true;
  bool destroying = false;  // WM_DESTROY is being handled
  // Top-level windows.
  WNDPROC procedure = nullptr;
  std::string className;
  DWORD style = 0;
  SDL_Window* sdlWindow = nullptr;
  uint32_t sdlWindowId = 0;
  int retains = 0;        // Win32RetainSdlWindow holds still open
  bool sizeSent = false;  // a WM_SIZE went out; the three fields below say what it carried
  WPARAM sentSizeType = SIZE_RESTORED;
  int sentWidth = 0;
  int sentHeight = 0;
  // Dialogs and their controls.
  DialogRecord* dialog = nullptr;
  int controlIndex = -1;  // -1: the dialog itself
};

// A new live record in the registry.
HWND Win32NewWindow(WindowKind kind);
// Makes a lost X connection end the process with -1 and the line "halvex: the display closed"
// instead of the display libraries' own exit; each library that opens a connection installs
// its own handler (the dialog library at times again later), so this follows every opening
// and every window's creation.
void Win32EndOnDisplayLoss();
// True for a handle from the registry that is still alive.
bool Win32IsAlive(HWND window);

// Virtual key of an SDL key (0 for keys without one), and back (SDLK_UNKNOWN).
WPARAM Win32VirtualKeyFromSdl(SDL_Keycode key);
SDL_Keycode Win32SdlKeyFromVirtual(WPARAM virtualKey);

// Handlers of messages sent to dialogs and their controls (platform/dialog.cpp).
LRESULT DialogSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Test hooks (platform/win32_testing.cpp) --------------------------------------------
// Appends one line to the call trace while tracing is on (printf-style format).
void Win32Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
// True when a test asked for calls of this name to fail.
bool Win32ShouldFail(const char* callName);
// True when message boxes go to the capture list instead of the screen; records the box.
bool Win32CaptureMessageBox(LPCSTR text, LPCSTR caption, UINT type);
// Takes the script that TestScriptDialog left for the next dialog; false when there is none.
bool Win32TakeDialogScript(std::vector<TestDialogAction>* actions);
// Milliseconds after which a real dialog closes itself as if by its close button (0: never).
int Win32DialogWatchdogMs();
// Takes the keys that TestDialogKeys left for the next real dialog; empty when none.
std::string Win32TakeDialogKeys();
