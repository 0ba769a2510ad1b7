#include "platform/win32.h"

#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "platform/kernel32.h"
#include "platform/sdl_window.h"
#include "platform/win32_internal.h"

struct InstanceRecord {};
struct CursorRecord {};

namespace {

// Frame metrics of a framed window, in pixels (the platform's values at 96 dots per inch).
constexpr int kFrameWidth = 4;
constexpr int kCaptionHeight = 23;

struct WindowClass {
  std::string name;
  WNDPROC procedure;
};

InstanceRecord g_instance;
CursorRecord g_arrowCursor;
std::vector<WindowClass> g_classes;
std::vector<std::unique_ptr<WindowRecord>> g_windows;
std::deque<MSG> g_queue;
int g_cursorCount = 0;
bool g_fullScreenModeSet = false;
SDL_DisplayMode g_fullScreenMode{};

// ---- Registry ---------------------------------------------------------------------------

WindowClass* FindClass(LPCSTR name) {
  if (name == nullptr) return nullptr;
  for (WindowClass& windowClass : g_classes) {
    if (strcasecmp(windowClass.name.c_str(), name) == 0) return &windowClass;
  }
  return nullptr;
}

WindowRecord* LiveTopLevel(HWND window) {
  return Win32IsAlive(window) && window->kind == WindowKind::kTopLevel ? window : nullptr;
}

WindowRecord* FindBySdlId(uint32_t id) {
  for (auto& window : g_windows) {
    if (window->alive && window->kind == WindowKind::kTopLevel && window->sdlWindowId == id) {
      return window.get();
    }
  }
  return nullptr;
}

// ---- Message delivery -------------------------------------------------------------------

void Post(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  MSG msg{window, message, wParam, lParam, SDL_WasInit(SDL_INIT_EVENTS) ? SDL_GetTicks() : 0,
          {0, 0}};
  g_queue.push_back(msg);
}

// Sends WM_SIZE unless the last one sent said the same (`always` for create and show).
void SendSize(WindowRecord* window, WPARAM type, int width, int height, bool always) {
  if (!always && window->sizeSent && window->sentSizeType == type && window->sentWidth == width &&
      window->sentHeight == height) {
    return;
  }
  window->sizeSent = true;
  window->sentSizeType = type;
  window->sentWidth = width;
  window->sentHeight = height;
  window->procedure(window, WM_SIZE, type,
                    MAKELPARAM(static_cast<WORD>(width), static_cast<WORD>(height)));
}

// WM_SIZE with the window's present client size and state.
void SendCurrentSize(WindowRecord* window, bool always) {
  const uint32_t flags = SDL_GetWindowFlags(window->sdlWindow);
  if (flags & SDL_WINDOW_MINIMIZED) {
    SendSize(window, SIZE_MINIMIZED, 0, 0, always);
    return;
  }
  int width = 0, height = 0;
  SDL_GetWindowSize(window->sdlWindow, &width, &height);
  SendSize(window, (flags & SDL_WINDOW_MAXIMIZED) ? SIZE_MAXIMIZED : SIZE_RESTORED, width, height,
           always);
}

// Key messages: lParam holds the repeat count 1, bit 30 the previous key state and bit 31
// the transition state (1 for a release). SDL holds a window's focus-in back for 200 ms and
// gives the keys of that time no window; the X server gave them to ours, the topmost.
void PostKey(const SDL_KeyboardEvent& key) {
  WindowRecord* window = key.windowID != 0 ? FindBySdlId(key.windowID) : GetForegroundWindow();
  const WPARAM virtualKey = Win32VirtualKeyFromSdl(key.keysym.sym);
  if (window == nullptr || virtualKey == 0) return;
  const bool down = key.type == SDL_KEYDOWN;
  const uint32_t previous = (!down || key.repeat) ? 1u << 30 : 0u;
  const uint32_t transition = down ? 0u : 1u << 31;
  Post(window, down ? WM_KEYDOWN : WM_KEYUP, virtualKey,
       static_cast<LPARAM>(static_cast<int32_t>(1u | previous | transition)));
}

void HandleWindowEvent(const SDL_WindowEvent& event) {
  WindowRecord* window = FindBySdlId(event.windowID);
  if (window == nullptr) return;
  const bool maximised = SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_MAXIMIZED;
  switch (event.event) {
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      // A minimised window keeps reporting 0 x 0 until it is restored.
      if (window->sentSizeType != SIZE_MINIMIZED) {
        SendSize(window, maximised ? SIZE_MAXIMIZED : SIZE_RESTORED, event.data1, event.data2,
                 false);
      }
      break;
    case SDL_WINDOWEVENT_MINIMIZED: SendSize(window, SIZE_MINIMIZED, 0, 0, false); break;
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED: {
      int width = 0, height = 0;
      SDL_GetWindowSize(window->sdlWindow, &width, &height);
      SendSize(window, event.event == SDL_WINDOWEVENT_MAXIMIZED ? SIZE_MAXIMIZED : SIZE_RESTORED,
               width, height, false);
      break;
    }
    case SDL_WINDOWEVENT_CLOSE: Post(window, WM_CLOSE, 0, 0); break;
    default: break;
  }
}

void PumpSdlEvents() {
  if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
    if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) PostKey(event.key);
    if (event.type == SDL_WINDOWEVENT) HandleWindowEvent(event.window);
  }
}

bool Matches(const MSG& msg, HWND window, UINT minMessage, UINT maxMessage) {
  if (window != nullptr && msg.hwnd != window) return false;
  if (minMessage == 0 && maxMessage == 0) return true;
  return msg.message >= minMessage && msg.message <= maxMessage;
}

// ---- Window creation --------------------------------------------------------------------

void SetGlAttributes() {
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

// Applies the display mode that ChangeDisplaySettingsA set to a full-screen window, or takes
// the window out of full screen when none is set.
void ApplyFullScreen(WindowRecord* window) {
  if (!(window->style & WS_POPUP)) return;
  if (g_fullScreenModeSet) {
    SDL_SetWindowDisplayMode(window->sdlWindow, &g_fullScreenMode);
    SDL_SetWindowFullscreen(window->sdlWindow, SDL_WINDOW_FULLSCREEN);
  } else {
    SDL_SetWindowFullscreen(window->sdlWindow, 0);
  }
}

SDL_Window* OpenSdlWindow(LPCSTR title, DWORD style, int x, int y, int width, int height) {
  uint32_t flags = SDL_WINDOW_OPENGL;
  if (!(style & WS_VISIBLE)) flags |= SDL_WINDOW_HIDDEN;
  if (style & WS_POPUP) {
    flags |= SDL_WINDOW_BORDERLESS;
  } else {
    // The requested size is the outer size; the SDL window is the client area inside it.
    width = std::max(1, width - 2 * kFrameWidth);
    height = std::max(1, height - 2 * kFrameWidth - kCaptionHeight);
    x += kFrameWidth;
    y += kFrameWidth + kCaptionHeight;
    if (style & WS_OVERLAPPEDWINDOW) flags |= SDL_WINDOW_RESIZABLE;
  }
  SetGlAttributes();
  return SDL_CreateWindow(title != nullptr ? title : "", x, y, std::max(1, width),
                          std::max(1, height), flags);
}

// The SDL window closes for good once the handle is destroyed and no retain holds it.
void CloseSdlWindowWhenFree(WindowRecord* window) {
  if (window->alive || window->retains > 0 || window->sdlWindow == nullptr) return;
  SDL_DestroyWindow(window->sdlWindow);
  window->sdlWindow = nullptr;
}

}  // namespace

// ---- Keys -------------------------------------------------------------------------------

namespace {

struct KeyPair {
  SDL_Keycode sdl;
  WPARAM virtualKey;
};

// Keys outside the letter, digit and function-key ranges.
constexpr KeyPair kKeys[] = {
    {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_RETURN, VK_RETURN}, {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_SPACE, VK_SPACE},   {SDLK_TAB, VK_TAB},       {SDLK_BACKSPACE, VK_BACK},
    {SDLK_LSHIFT, VK_SHIFT},  {SDLK_RSHIFT, VK_SHIFT},  {SDLK_LCTRL, VK_CONTROL},
    {SDLK_RCTRL, VK_CONTROL}, {SDLK_LALT, VK_MENU},     {SDLK_RALT, VK_MENU},
    {SDLK_PAUSE, VK_PAUSE},   {SDLK_PAGEUP, VK_PRIOR},  {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},       {SDLK_HOME, VK_HOME},     {SDLK_LEFT, VK_LEFT},
    {SDLK_UP, VK_UP},         {SDLK_RIGHT, VK_RIGHT},   {SDLK_DOWN, VK_DOWN},
    {SDLK_INSERT, VK_INSERT}, {SDLK_DELETE, VK_DELETE},
};

}  // namespace

WPARAM Win32VirtualKeyFromSdl(SDL_Keycode key) {
  if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
  if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
  if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
  for (const KeyPair& pair : kKeys) {
    if (pair.sdl == key) return pair.virtualKey;
  }
  return 0;
}

SDL_Keycode Win32SdlKeyFromVirtual(WPARAM virtualKey) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + static_cast<int>(virtualKey - 'A');
  if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + static_cast<int>(virtualKey - '0');
  if (virtualKey >= VK_F1 && virtualKey < VK_F1 + 12) {
    return SDLK_F1 + static_cast<int>(virtualKey - VK_F1);
  }
  for (const KeyPair& pair : kKeys) {
    if (pair.virtualKey == virtualKey) return pair.sdl;
  }
  return SDLK_UNKNOWN;
}

// ---- Registry and SDL -------------------------------------------------------------------

HWND Win32NewWindow(WindowKind kind) {
  g_windows.push_back(std::make_unique<WindowRecord>());
  g_windows.back()->kind = kind;
  return g_windows.back().get();
}

bool Win32IsAlive(HWND window) {
  if (window == nullptr) return false;
  for (auto& record : g_windows) {
    if (record.get() == window) return record->alive;
  }
  return false;
}

namespace {

// A display can answer only when the environment names one (or a driver is asked for by
// name); without one, probing would only print the display libraries' own complaints.
bool DisplayNamed() {
  return SDL_getenv("DISPLAY") != nullptr || SDL_getenv("WAYLAND_DISPLAY") != nullptr ||
         SDL_getenv("SDL_VIDEODRIVER") != nullptr;
}

// One attempt to start SDL video on a visible driver. SDL falls back to its invisible drivers
// when no display answers; those count as no display unless asked for by name.
bool TryInitVideo() {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) return false;
  const char* driver = SDL_GetCurrentVideoDriver();
  const char* wanted = SDL_getenv("SDL_VIDEODRIVER");
  const bool invisible = driver != nullptr && (std::strcmp(driver, "offscreen") == 0 ||
                                               std::strcmp(driver, "dummy") == 0);
  if (invisible && (wanted == nullptr || strcasecmp(wanted, driver) != 0)) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return false;
  }
  return true;
}

// A display that exists can refuse a connection for a moment while many clients connect at
// once (parallel programs on one virtual display), so try a few times, 100 ms apart.
bool OpenVideo() {
  constexpr int kAttempts = 3;
  for (int attempt = 1; attempt <= kAttempts; ++attempt) {
    if (TryInitVideo()) return true;
    if (attempt == kAttempts || SDL_getenv("DISPLAY") == nullptr) break;
    SDL_Delay(100);
  }
  return false;
}

}  // namespace

bool Win32InitVideo() {
  static const bool ready = [] {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // An X display named: only X is tried (SDL_VIDEODRIVER still decides), so a dead one is
    // not followed by a Wayland attempt that prints its own complaint.
    if (SDL_getenv("DISPLAY") != nullptr) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    if (DisplayNamed() && OpenVideo()) {
      Win32EndOnDisplayLoss();
      return true;
    }
    const char* named = SDL_getenv("DISPLAY");
    std::fprintf(stderr,
                 "halvex: no display found (DISPLAY is %s): DISPLAY must name a running X "
                 "display, for example DISPLAY=:0\n",
                 named != nullptr ? named : "not set");
    return false;
  }();
  return ready;
}

SDL_Window* Win32GetSdlWindow(HWND window) {
  WindowRecord* record = LiveTopLevel(window);
  return record != nullptr ? record->sdlWindow : nullptr;
}

SDL_Window* Win32RetainSdlWindow(HWND window) {
  WindowRecord* record = LiveTopLevel(window);
  if (record == nullptr) return nullptr;
  ++record->retains;
  return record->sdlWindow;
}

void Win32ReleaseSdlWindow(SDL_Window* sdlWindow) {
  if (sdlWindow == nullptr) return;
  for (auto& record : g_windows) {
    if (record->sdlWindow == sdlWindow && record->retains > 0) {
      --record->retains;
      CloseSdlWindowWhenFree(record.get());
      return;
    }
  }
}

int Win32DisplayModeCount() {
  if (!Win32InitVideo()) return 0;
  return std::max(0, SDL_GetNumDisplayModes(0));
}

bool Win32GetDisplayMode(int index, Win32DisplayMode* mode) {
  SDL_DisplayMode sdlMode{};
  if (index < 0 || index >= Win32DisplayModeCount() ||
      SDL_GetDisplayMode(0, index, &sdlMode) != 0) {
    return false;
  }
  *mode = {sdlMode.w, sdlMode.h, sdlMode.refresh_rate};
  return true;
}

// ---- Classes and windows ----------------------------------------------------------------

HINSTANCE GetModuleHandleA(LPCSTR) { return &g_instance; }

ATOM RegisterClassA(const WNDCLASSA* windowClass) {
  Win32Trace("RegisterClassA(%s)",
             windowClass && windowClass->lpszClassName ? windowClass->lpszClassName : "null");
  if (windowClass == nullptr || windowClass->lpfnWndProc == nullptr ||
      windowClass->lpszClassName == nullptr || windowClass->lpszClassName[0] == '\0') {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (FindClass(windowClass->lpszClassName) != nullptr) {
    SetLastError(ERROR_CLASS_ALREADY_EXISTS);
    return 0;
  }
  g_classes.push_back({windowClass->lpszClassName, windowClass->lpfnWndProc});
  // Atoms of registered classes start at 0xC000 on the platform.
  return static_cast<ATOM>(0xC000 + g_classes.size() - 1);
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  Win32Trace("UnregisterClassA(%s)", className ? className : "null");
  WindowClass* windowClass = FindClass(className);
  if (windowClass == nullptr || Win32ShouldFail("UnregisterClassA")) {
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
  }
  for (auto& window : g_windows) {
    if (window->alive && strcasecmp(window->className.c_str(), className) == 0) {
      SetLastError(ERROR_CLASS_HAS_WINDOWS);
      return FALSE;
    }
  }
  g_classes.erase(g_classes.begin() + (windowClass - g_classes.data()));
  return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND, HMENU, HINSTANCE, LPVOID) {
  Win32Trace("CreateWindowExA(%s, 0x%08X, %d, %d, %d, %d)", className ? className : "null", style,
             x, y, width, height);
  const WindowClass* windowClass = FindClass(className);
  if (windowClass == nullptr) {
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return nullptr;
  }
  if (Win32ShouldFail("CreateWindowExA") || !Win32InitVideo()) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  SDL_Window* sdlWindow = OpenSdlWindow(windowName, style, x, y, width, height);
  if (sdlWindow == nullptr) {
    std::fprintf(stderr, "halvex: cannot open a window: %s\n", SDL_GetError());
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  Win32EndOnDisplayLoss();  // the dialog library may have put its own back meanwhile
  WindowRecord* window = Win32NewWindow(WindowKind::kTopLevel);
  window->procedure = windowClass->procedure;
  window->className = windowClass->name;
  window->style = style;
  window->sdlWindow = sdlWindow;
  window->sdlWindowId = SDL_GetWindowID(sdlWindow);
  ApplyFullScreen(window);
  SendCurrentSize(window, true);
  return window;
}

BOOL DestroyWindow(HWND window) {
  Win32Trace("DestroyWindow");
  WindowRecord* record = LiveTopLevel(window);
  if (record == nullptr || record->destroying) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  record->destroying = true;
  record->procedure(record, WM_DESTROY, 0, 0);
  record->alive = false;
  SDL_HideWindow(record->sdlWindow);
  CloseSdlWindowWhenFree(record);
  // Messages still queued for the window are dropped, as they go with the window.
  std::erase_if(g_queue, [record](const MSG& msg) { return msg.hwnd == record; });
  return TRUE;
}

BOOL ShowWindow(HWND window, int command) {
  Win32Trace("ShowWindow(%d)", command);
  WindowRecord* record = LiveTopLevel(window);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const BOOL wasVisible = (SDL_GetWindowFlags(record->sdlWindow) & SDL_WINDOW_SHOWN) ? 1 : 0;
  if (command == SW_HIDE) {
    SDL_HideWindow(record->sdlWindow);
    return wasVisible;
  }
  SDL_ShowWindow(record->sdlWindow);
  if (command == SW_SHOWMINIMIZED) {
    SDL_MinimizeWindow(record->sdlWindow);
    SendSize(record, SIZE_MINIMIZED, 0, 0, true);
  } else {
    SendCurrentSize(record, true);
  }
  return wasVisible;
}

BOOL UpdateWindow(HWND window) {
  Win32Trace("UpdateWindow");
  return LiveTopLevel(window) != nullptr ? TRUE : FALSE;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  Win32Trace("SetWindowTextA(%s)", text ? text : "");
  WindowRecord* record = LiveTopLevel(window);
  if (record == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  SDL_SetWindowTitle(record->sdlWindow, text != nullptr ? text : "");
  return TRUE;
}

HWND GetForegroundWindow() {
  for (auto it = g_windows.rbegin(); it != g_windows.rend(); ++it) {
    if ((*it)->alive && (*it)->kind == WindowKind::kTopLevel) return it->get();
  }
  return nullptr;
}

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXFRAME:
    case SM_CYFRAME: return kFrameWidth;
    case SM_CYCAPTION: return kCaptionHeight;
    default: return 0;
  }
}

// ---- Messages ---------------------------------------------------------------------------

BOOL PeekMessageA(MSG* message, HWND window, UINT minMessage, UINT maxMessage, UINT remove) {
  PumpSdlEvents();
  for (auto it = g_queue.begin(); it != g_queue.end(); ++it) {
    if (!Matches(*it, window, minMessage, maxMessage)) continue;
    *message = *it;
    if (remove & PM_REMOVE) g_queue.erase(it);
    return TRUE;
  }
  return FALSE;
}

BOOL TranslateMessage(const MSG* message) {
  return message != nullptr && (message->message == WM_KEYDOWN || message->message == WM_KEYUP);
}

LRESULT DispatchMessageA(const MSG* message) {
  if (message == nullptr) return 0;
  WindowRecord* record = LiveTopLevel(message->hwnd);
  if (record == nullptr) return 0;
  return record->procedure(record, message->message, message->wParam, message->lParam);
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!Win32IsAlive(window)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (window->kind != WindowKind::kTopLevel) {
    return DialogSendMessage(window, message, wParam, lParam);
  }
  return window->procedure(window, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(window);
  return 0;
}

void PostQuitMessage(int exitCode) {
  Win32Trace("PostQuitMessage(%d)", exitCode);
  Post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

// ---- Cursor -----------------------------------------------------------------------------

HCURSOR LoadCursorA(HINSTANCE, LPCSTR cursorName) {
  return reinterpret_cast<uintptr_t>(cursorName) == IDC_ARROW ? &g_arrowCursor : nullptr;
}

int ShowCursor(BOOL show) {
  g_cursorCount += show ? 1 : -1;
  Win32Trace("ShowCursor(%d) = %d", show, g_cursorCount);
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(g_cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
  return g_cursorCount;
}

// ---- Message boxes ----------------------------------------------------------------------

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
  if (text == nullptr) text = "";
  if (caption == nullptr) caption = "Error";
  Win32Trace("MessageBoxA(%s, %s, 0x%X)", text, caption, type);
  std::fprintf(stderr, "%s: %s\n", caption, text);
  if (Win32CaptureMessageBox(text, caption, type) || !Win32InitVideo()) return IDOK;
  uint32_t flags = SDL_MESSAGEBOX_WARNING;
  if ((type & 0xF0) == MB_ICONERROR) flags = SDL_MESSAGEBOX_ERROR;
  if ((type & 0xF0) == MB_ICONINFORMATION) flags = SDL_MESSAGEBOX_INFORMATION;
  SDL_ShowSimpleMessageBox(flags, caption, text, nullptr);
  return IDOK;
}

// ---- Display settings -------------------------------------------------------------------

LONG ChangeDisplaySettingsA(DEVMODEA* mode, DWORD flags) {
  if (mode == nullptr) {
    Win32Trace("ChangeDisplaySettingsA(null, %u)", flags);
    g_fullScreenModeSet = false;
  } else {
    Win32Trace("ChangeDisplaySettingsA(%ux%ux%u, %u)", mode->dmPelsWidth, mode->dmPelsHeight,
               mode->dmBitsPerPel, flags);
    const bool sized = (mode->dmFields & DM_PELSWIDTH) && (mode->dmFields & DM_PELSHEIGHT) &&
                       mode->dmPelsWidth > 0 && mode->dmPelsHeight > 0;
    const bool depthOk = !(mode->dmFields & DM_BITSPERPEL) || mode->dmBitsPerPel == 32;
    if (!sized || !depthOk) return DISP_CHANGE_BADMODE;
    SDL_DisplayMode wanted{};
    wanted.w = static_cast<int>(mode->dmPelsWidth);
    wanted.h = static_cast<int>(mode->dmPelsHeight);
    // Without a display (or without a mode that large) the wanted size stands as it is.
    if (!Win32InitVideo() || SDL_GetClosestDisplayMode(0, &wanted, &g_fullScreenMode) == nullptr) {
      g_fullScreenMode = wanted;
    }
    g_fullScreenModeSet = true;
  }
  for (auto& window : g_windows) {
    if (window->alive && window->kind == WindowKind::kTopLevel) ApplyFullScreen(window.get());
  }
  return DISP_CHANGE_SUCCESSFUL;
}
