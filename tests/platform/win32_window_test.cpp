// The window stand-in through real SDL windows (run under Xvfb).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/dialog.h"
#include "platform/kernel32.h"
#include "platform/sdl_window.h"
#include "platform/testing_win32.h"

namespace {

std::vector<MSG> g_received;  // what the procedure was given, in order

// Like the program's own procedure: the window's end quits, the rest goes to the default.
LRESULT RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  g_received.push_back({window, message, wParam, lParam, 0, {}});
  if (message == WM_DESTROY) PostQuitMessage(0);
  return message == WM_DESTROY ? 0 : DefWindowProcA(window, message, wParam, lParam);
}

class Win32Window : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "w";
    ASSERT_NE(RegisterClassA(&windowClass), 0);
    g_received.clear();
  }
  void TearDown() override {
    if (window_) DestroyWindow(window_);
    for (MSG msg; PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);) {
    }
    UnregisterClassA("w", GetModuleHandleA(nullptr));
  }
  // A shown window of the given style and outer size; asserts it opened.
  void Open(DWORD style, int width, int height) {
    window_ = CreateWindowExA(0, "w", "", style, 0, 0, width, height, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  // The last WM_SIZE's (kind, client size).
  static std::pair<WPARAM, LPARAM> LastSize() {
    for (auto it = g_received.rbegin(); it != g_received.rend(); ++it)
      if (it->message == WM_SIZE) return {it->wParam, it->lParam};
    return {~WPARAM{0}, 0};
  }
  HWND window_ = nullptr;
};

// The program sizes its window as the client size plus the frame metrics.
TEST_F(Win32Window, OverlappedWindowClientAreaIsOuterSizeLessFrameMetrics) {
  const int frameX = GetSystemMetrics(SM_CXFRAME), frameY = GetSystemMetrics(SM_CYFRAME);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  ASSERT_GT(frameX * caption, 0);
  ASSERT_NO_FATAL_FAILURE(Open(WS_OVERLAPPEDWINDOW, 320 + 2 * frameX, 240 + 2 * frameY + caption));
  const std::pair<WPARAM, LPARAM> expected = {SIZE_RESTORED, MAKELPARAM(320, 240)};
  EXPECT_EQ(LastSize(), expected);  // sent while the window is created
  g_received.clear();
  EXPECT_FALSE(ShowWindow(window_, SW_SHOWNORMAL));  // was hidden
  EXPECT_EQ(LastSize(), expected);                   // and again when it is shown
  EXPECT_TRUE(SDL_GetWindowFlags(Win32GetSdlWindow(window_)) & SDL_WINDOW_OPENGL);
  EXPECT_EQ(GetForegroundWindow(), window_);
}

// The close button goes through the default procedure to WM_DESTROY and a quit with code 0;
// nothing comes after WM_DESTROY, and a second destroy of the handle fails quietly.
TEST_F(Win32Window, CloseButtonEndsInDestroyAndQuit) {
  ASSERT_NO_FATAL_FAILURE(Open(WS_OVERLAPPEDWINDOW, 200, 150));
  ShowWindow(window_, SW_SHOWNORMAL);
  g_received.clear();
  TestInjectClose(window_);
  MSG msg{};
  for (int idle = 0; idle < 40 && msg.message != WM_QUIT;)
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? void(DispatchMessageA(&msg))
                                                 : (++idle, SDL_Delay(5));
  EXPECT_EQ(std::make_pair(msg.message, msg.wParam), std::make_pair(UINT{WM_QUIT}, WPARAM{0}));
  ASSERT_GE(g_received.size(), 2u);
  EXPECT_EQ(g_received.front().message, UINT{WM_CLOSE});
  EXPECT_EQ(g_received.back().message, UINT{WM_DESTROY});
  EXPECT_EQ(Win32GetSdlWindow(window_), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  g_received.clear();
  EXPECT_FALSE(DestroyWindow(window_));
  EXPECT_TRUE(g_received.empty());
  window_ = nullptr;
}

TEST_F(Win32Window, FullScreenPopupRunsOverTheChangedModeAndLeavesIt) {
  DEVMODEA mode{};
  mode.dmSize = sizeof mode, mode.dmBitsPerPel = 32;
  mode.dmPelsWidth = 640, mode.dmPelsHeight = 480;
  mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
  ASSERT_EQ(ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN), DISP_CHANGE_SUCCESSFUL);
  ASSERT_NO_FATAL_FAILURE(Open(WS_POPUP, 640, 480));
  ShowWindow(window_, SW_SHOWNORMAL);
  SDL_Window* sdl = Win32GetSdlWindow(window_);
  EXPECT_TRUE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
  // The size the procedure hears is the real one of the display mode it got.
  int width = 0, height = 0;
  SDL_GetWindowSize(sdl, &width, &height);
  EXPECT_EQ(LastSize().second, MAKELPARAM(width, height));
  EXPECT_EQ(ChangeDisplaySettingsA(nullptr, 0), DISP_CHANGE_SUCCESSFUL);
  EXPECT_FALSE(SDL_GetWindowFlags(sdl) & SDL_WINDOW_FULLSCREEN);
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
