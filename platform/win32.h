#pragma once
// Win32 stand-in over SDL2: the basic types of the windowing interface, window classes,
// windows, the message queue, message boxes and display settings. Dialogs are in
// platform/dialog.h, threads in platform/kernel32.h. Main thread only, except where noted.
//
// Message delivery follows the platform: key presses and the close request are posted to the
// queue that PeekMessageA reads (DispatchMessageA hands them to the window procedure), size
// changes are sent straight to the window procedure while PeekMessageA pumps the SDL events,
// and WM_DESTROY is sent from inside DestroyWindow.

#include <cstddef>
#include <cstdint>

using BOOL = int32_t;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using LONG = int32_t;
using ATOM = uint16_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using INT_PTR = intptr_t;
using SIZE_T = size_t;
using LPVOID = void*;
using LPSTR = char*;
using LPCSTR = const char*;

using HRESULT = int32_t;

struct InstanceRecord;
using HINSTANCE = InstanceRecord*;
// A window: an SDL window with an OpenGL-capable surface, a dialog or a dialog control.
struct WindowRecord;
using HWND = WindowRecord*;
struct CursorRecord;
using HCURSOR = CursorRecord*;
struct IconRecord;
using HICON = IconRecord*;
struct BrushRecord;
using HBRUSH = BrushRecord*;
struct MenuRecord;
using HMENU = MenuRecord*;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

// ---- Messages ---------------------------------------------------------------------------
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_SIZE = 0x0005;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_KEYDOWN = 0x0100;
constexpr UINT WM_KEYUP = 0x0101;
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;

// WM_SIZE wParam.
constexpr WPARAM SIZE_RESTORED = 0;
constexpr WPARAM SIZE_MINIMIZED = 1;
constexpr WPARAM SIZE_MAXIMIZED = 2;

// Virtual key codes (WM_KEYDOWN/WM_KEYUP wParam). Letters and digits are their upper-case
// ASCII codes ('A' 0x41, '0' 0x30).
constexpr WPARAM VK_BACK = 0x08;
constexpr WPARAM VK_TAB = 0x09;
constexpr WPARAM VK_RETURN = 0x0D;
constexpr WPARAM VK_SHIFT = 0x10;
constexpr WPARAM VK_CONTROL = 0x11;
constexpr WPARAM VK_MENU = 0x12;
constexpr WPARAM VK_PAUSE = 0x13;
constexpr WPARAM VK_ESCAPE = 0x1B;
constexpr WPARAM VK_SPACE = 0x20;
constexpr WPARAM VK_PRIOR = 0x21;
constexpr WPARAM VK_NEXT = 0x22;
constexpr WPARAM VK_END = 0x23;
constexpr WPARAM VK_HOME = 0x24;
constexpr WPARAM VK_LEFT = 0x25;
constexpr WPARAM VK_UP = 0x26;
constexpr WPARAM VK_RIGHT = 0x27;
constexpr WPARAM VK_DOWN = 0x28;
constexpr WPARAM VK_INSERT = 0x2D;
constexpr WPARAM VK_DELETE = 0x2E;
constexpr WPARAM VK_F1 = 0x70;  // F1..F12 are 0x70..0x7B

constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;

constexpr WORD LOWORD(uintptr_t value) { return static_cast<WORD>(value & 0xFFFF); }
constexpr WORD HIWORD(uintptr_t value) { return static_cast<WORD>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(WORD low, WORD high) {
  return static_cast<WPARAM>(low) | (static_cast<WPARAM>(high) << 16);
}
constexpr LPARAM MAKELPARAM(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16));
}

// ---- Window styles ----------------------------------------------------------------------
constexpr DWORD WS_POPUP = 0x80000000;
constexpr DWORD WS_CHILD = 0x40000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_BORDER = 0x00800000;
constexpr DWORD WS_VSCROLL = 0x00200000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;

constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;

// GetSystemMetrics indices.
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;

// ---- Window classes and windows ---------------------------------------------------------
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;
  LPCSTR lpszMenuName;
  LPCSTR lpszClassName;
};

struct POINT {
  LONG x;
  LONG y;
};

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  DWORD time;  // milliseconds since SDL start when the message was queued
  POINT pt;
};

// The module handle of the program (never null).
HINSTANCE GetModuleHandleA(LPCSTR moduleName);

// Registers a class by name (compared without regard to case). 0 when the name is empty, the
// procedure is null or the class exists already (GetLastError says which).
ATOM RegisterClassA(const WNDCLASSA* windowClass);
// FALSE when no such class exists or one of its windows is still alive.
BOOL UnregisterClassA(LPCSTR className, HINSTANCE instance);

// Opens an SDL window ready for an OpenGL 3.3 core context. WS_POPUP: a borderless window of
// width x height, full screen over the mode that ChangeDisplaySettingsA set, if any.
// Otherwise a framed window whose client area is the outer size minus 2 x SM_CXFRAME wide and
// 2 x SM_CYFRAME + SM_CYCAPTION high (at least 1 x 1). The window stays hidden until
// ShowWindow unless the style has WS_VISIBLE. Sends WM_SIZE with the real client size before
// returning. Null when the class is unknown or no display can be opened.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Sends WM_DESTROY to the window procedure at once, then closes the window. FALSE (and
// nothing else) for a null, unknown or already destroyed handle, and for a window whose
// WM_DESTROY is under way.
BOOL DestroyWindow(HWND window);
// SW_HIDE hides, SW_SHOWMINIMIZED minimises, every other command shows the window and
// sends WM_SIZE with its client size (0 x 0 when minimised). Returns whether it was visible.
BOOL ShowWindow(HWND window, int command);
// Nothing to repaint: the picture comes from the Direct3D stand-in. TRUE for a live window.
BOOL UpdateWindow(HWND window);
BOOL SetWindowTextA(HWND window, LPCSTR text);
// The most recently created window that is still alive; null when there is none.
HWND GetForegroundWindow();
// Frame metrics in pixels: SM_CXFRAME and SM_CYFRAME 4, SM_CYCAPTION 23; 0 for other indices.
int GetSystemMetrics(int index);

// ---- Messages ---------------------------------------------------------------------------
// Pumps the SDL events into the queue, then takes the first message for `window` (null: any)
// whose number lies in [minMessage, maxMessage] (0, 0: any). TRUE when one was found (also
// WM_QUIT); PM_REMOVE takes it off the queue.
BOOL PeekMessageA(MSG* message, HWND window, UINT minMessage, UINT maxMessage, UINT remove);
// No character messages are generated; TRUE for key messages.
BOOL TranslateMessage(const MSG* message);
// Calls the window procedure of a live window with the message; 0 otherwise.
LRESULT DispatchMessageA(const MSG* message);
// Sends a message: to a window's procedure, or to a dialog control's handler.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_CLOSE destroys the window; everything else gives 0.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Posts WM_QUIT with the exit code as wParam.
void PostQuitMessage(int exitCode);

// ---- Cursor -----------------------------------------------------------------------------
constexpr uintptr_t IDC_ARROW = 32512;
inline LPCSTR MAKEINTRESOURCEA(uintptr_t id) { return reinterpret_cast<LPCSTR>(id); }
// The arrow cursor for IDC_ARROW (never null for it); null for other names.
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName);
// Display counter: +1 for TRUE, -1 for FALSE, starting at 0; the cursor shows while it is >= 0.
// Returns the new count.
int ShowCursor(BOOL show);

// ---- Message boxes ----------------------------------------------------------------------
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
// Writes "caption: text" as one line on stderr, then shows an SDL message box with the icon
// and waits for it to be closed. Without a display only the line. Returns IDOK.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Display settings -------------------------------------------------------------------
// The display-mode record, 156 bytes with the platform's field offsets; only the size, the
// fields mask and the three mode fields are read.
struct DEVMODEA {
  BYTE dmDeviceName[32];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  BYTE dmPositionAndOrientation[16];
  int16_t dmPrinterFields[5];
  BYTE dmFormName[32];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
  DWORD dmColorManagement[6];
  DWORD dmPanningWidth;
  DWORD dmPanningHeight;
};
static_assert(sizeof(DEVMODEA) == 156);
static_assert(offsetof(DEVMODEA, dmSize) == 36 && offsetof(DEVMODEA, dmFields) == 40);
static_assert(offsetof(DEVMODEA, dmBitsPerPel) == 104 && offsetof(DEVMODEA, dmPelsWidth) == 108 &&
              offsetof(DEVMODEA, dmPelsHeight) == 112);

constexpr DWORD DM_BITSPERPEL = 0x00040000;
constexpr DWORD DM_PELSWIDTH = 0x00080000;
constexpr DWORD DM_PELSHEIGHT = 0x00100000;
constexpr DWORD CDS_FULLSCREEN = 0x00000004;
constexpr LONG DISP_CHANGE_SUCCESSFUL = 0;
constexpr LONG DISP_CHANGE_BADMODE = -2;

// With a mode: full-screen windows (WS_POPUP) made from now on, and any that are open, run in
// the closest display mode of at least that size; only 32 bits per pixel (or no depth given)
// is accepted. Null mode: back to the desktop mode, open windows leave full screen.
// DISP_CHANGE_BADMODE for a mode without width and height or with another depth.
LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags);

// ---- Errors -----------------------------------------------------------------------------
// Last-error codes the stand-in sets (per thread; GetLastError in platform/kernel32.h).
constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_CANNOT_FIND_WND_CLASS = 1407;
constexpr DWORD ERROR_CLASS_ALREADY_EXISTS = 1410;
constexpr DWORD ERROR_CLASS_DOES_NOT_EXIST = 1411;
constexpr DWORD ERROR_CLASS_HAS_WINDOWS = 1412;
