// The window stand-in through real SDL windows (run under Xvfb).
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/kernel32.h"
#include "platform/sdl_window.h"
#include "platform/testing_win32.h"

namespace {

struct Received {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

std::vector<Received> g_received;

LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back({message, wParam, lParam});
  // Like the program's own procedure: Escape closes the window, its end quits.
  if (message == WM_KEYDOWN && wParam == VK_ESCAPE) DestroyWindow(window);
  if (message == WM_DESTROY) PostQuitMessage(0);
  if (message == WM_KEYDOWN || message == WM_DESTROY) return 0;
  return DefWindowProcA(window, message, wParam, lParam);
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(IDC_ARROW));
    windowClass.lpszClassName = "w";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    g_received.clear();
  }
  void TearDown() override {
    if (window_ != nullptr) DestroyWindow(window_);
    DrainQueue();
    UnregisterClassA("w", GetModuleHandleA(nullptr));
  }

  HWND Open(DWORD style, int width, int height) {
    window_ = CreateWindowExA(0, "w", "", style, 0, 0, width, height, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    return window_;
  }

  // Runs the program's loop body until a message of the wanted kind was handled or the
  // queue stayed empty for a while; returns the last message taken.
  MSG PumpUntil(UINT wanted) {
    MSG msg{};
    for (int idle = 0; idle < 40;) {
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++idle;
        SDL_Delay(5);
        if (SeenMessage(wanted)) return msg;
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      if (msg.message == wanted || SeenMessage(wanted)) return msg;
    }
    return msg;
  }

  static bool SeenMessage(UINT message) {
    for (const Received& received : g_received) {
      if (received.message == message) return true;
    }
    return false;
  }

  static const Received* LastSize() {
    for (auto it = g_received.rbegin(); it != g_received.rend(); ++it) {
      if (it->message == WM_SIZE) return &*it;
    }
    return nullptr;
  }

  static void DrainQueue() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
  }

  HWND window_ = nullptr;
};

TEST_F(Win32Window, OverlappedWindowClientAreaIsOuterSizeLessFrameMetrics) {
  const int frameX = GetSystemMetrics(SM_CXFRAME);
  const int frameY = GetSystemMetrics(SM_CYFRAME);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  ASSERT_GT(frameX, 0);
  ASSERT_GT(caption, 0);
  HWND window = Open(WS_OVERLAPPEDWINDOW, 320 + 2 * frameX, 240 + 2 * frameY + caption);
  ASSERT_NE(window, nullptr);
  // The size is sent while the window is created, and again when it is shown.
  for (int shown = 0; shown < 2; ++shown) {
    const Received* size = LastSize();
    ASSERT_NE(size, nullptr) << shown;
    EXPECT_EQ(std::make_pair(size->wParam, size->lParam),
              std::make_pair(WPARAM{SIZE_RESTORED}, MAKELPARAM(320, 240)));
    g_received.clear();
    if (shown) break;
    EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));  // was hidden
    EXPECT_TRUE(UpdateWindow(window));
  }
  SDL_Window* sdlWindow = Win32GetSdlWindow(window);
  ASSERT_NE(sdlWindow, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_OPENGL);
  EXPECT_EQ(GetForegroundWindow(), window);
}

// Escape reaches the procedure as a key-down (the procedure destroys the window); the close
// button goes through DefWindowProcA. Both end in WM_DESTROY and a quit with code 0; nothing
// comes after WM_DESTROY, and a second destroy of the handle fails quietly.
TEST_F(Win32Window, EscapeAndTheCloseButtonEndInDestroyAndQuit) {
  const struct {
    void (*inject)(HWND);
    Received first;
  } rows[] = {{[](HWND w) { TestInjectKey(w, VK_ESCAPE); }, {WM_KEYDOWN, VK_ESCAPE, 0}},
              {TestInjectClose, {WM_CLOSE, 0, 0}}};
  for (const auto& row : rows) {
    HWND window = Open(WS_OVERLAPPEDWINDOW, 200, 150);
    ASSERT_NE(window, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    g_received.clear();
    row.inject(window);
    const MSG last = PumpUntil(WM_QUIT);
    EXPECT_EQ(std::make_pair(last.message, last.wParam), std::make_pair(UINT{WM_QUIT}, WPARAM{0}));
    ASSERT_GE(g_received.size(), 2u);
    EXPECT_EQ(std::make_pair(g_received[0].message, g_received[0].wParam),
              std::make_pair(row.first.message, row.first.wParam));
    EXPECT_EQ(g_received.back().message, UINT{WM_DESTROY});
    EXPECT_EQ(Win32GetSdlWindow(window), nullptr);
    EXPECT_EQ(GetForegroundWindow(), nullptr);
    g_received.clear();
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(g_received.empty());
    window_ = nullptr;
  }
}

TEST_F(Win32Window, ResizeMinimiseAndRestoreReportTheClientSize) {
  HWND window = Open(WS_OVERLAPPEDWINDOW, 300, 200);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  const struct {
    void (*inject)(HWND);
    WPARAM kind;
    LPARAM size;
  } rows[] = {{[](HWND w) { TestInjectResize(w, 400, 260); }, SIZE_RESTORED, MAKELPARAM(400, 260)},
              {TestInjectMinimise, SIZE_MINIMIZED, 0},
              {TestInjectRestore, SIZE_RESTORED, MAKELPARAM(400, 260)}};
  for (const auto& row : rows) {
    g_received.clear();
    row.inject(window);
    PumpUntil(WM_SIZE);
    const Received* size = LastSize();
    ASSERT_NE(size, nullptr);
    EXPECT_EQ(size->wParam, row.kind);
    EXPECT_EQ(size->lParam, row.size);
  }
}

TEST_F(Win32Window, DestroyFromInsideWmDestroyIsRefusedInsteadOfRecursing) {
  WNDCLASSA windowClass{};
  windowClass.lpszClassName = "again";
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM, LPARAM) -> LRESULT {
    if (message == WM_DESTROY) {
      g_received.push_back({message, static_cast<WPARAM>(DestroyWindow(window)), 0});
      // The window still answers while its end is handled.
      g_received.push_back({message, Win32GetSdlWindow(window) != nullptr, 0});
    }
    return 0;
  };
  ASSERT_NE(RegisterClassA(&windowClass), 0);
  HWND window =
      CreateWindowExA(0, "again", "", WS_POPUP, 0, 0, 32, 32, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  g_received.clear();
  EXPECT_TRUE(DestroyWindow(window));
  ASSERT_EQ(g_received.size(), 2u);
  EXPECT_EQ(g_received[0].wParam, static_cast<WPARAM>(FALSE));
  EXPECT_EQ(g_received[1].wParam, 1u);
  EXPECT_TRUE(UnregisterClassA("again", nullptr));
}

TEST_F(Win32Window, FullScreenPopupRunsOverTheChangedModeAndLeavesIt) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  mode.dmBitsPerPel = 32;
  mode.dmPelsWidth = 640;
  mode.dmPelsHeight = 480;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  HWND window = Open(WS_POPUP, 640, 480);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  EXPECT_TRUE(SDL_GetWindowFlags(Win32GetSdlWindow(window)) & SDL_WINDOW_FULLSCREEN);
  // The size the procedure hears is the real one of the display mode it got.
  const Received* shown = LastSize();
  ASSERT_NE(shown, nullptr);
  int width = 0, height = 0;
  SDL_GetWindowSize(Win32GetSdlWindow(window), &width, &height);
  EXPECT_EQ(LOWORD(shown->lParam), width);
  EXPECT_EQ(HIWORD(shown->lParam), height);
  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_FALSE(SDL_GetWindowFlags(Win32GetSdlWindow(window)) & SDL_WINDOW_FULLSCREEN);
  mode.dmBitsPerPel = 16;
  EXPECT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_BADMODE);
}

// Without a display nothing blocks: the box is only its stderr line, dialogs and windows are
// refused at once.
TEST(Win32NoDisplay, MessageBoxWritesOnlyItsLineAndDialogsAndWindowsAreRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, SDL and GTK unopened
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        MessageBoxA(nullptr, "Could not create D3D object!", "Error", MB_ICONERROR);
        const INT_PTR dialog = DialogBoxParamA(
            nullptr, MAKEINTRESOURCEA(101), nullptr,
            [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.lpszClassName = "w";
        RegisterClassA(&windowClass);
        const HWND window =
            CreateWindowExA(0, "w", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, nullptr, nullptr);
        std::exit(dialog == -1 && window == nullptr ? 0 : 1);
      },
      ::testing::ExitedWithCode(0),
      "Error: Could not create D3D object!\nhalvex: no display found .*DISPLAY must name");
}

}  // namespace
