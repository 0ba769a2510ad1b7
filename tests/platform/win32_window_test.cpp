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

// Registers the window class "w" with the recording procedure.
ATOM RegisterRecordingClass() {
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = RecordingProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "w";
  return RegisterClassA(&windowClass);
}

// A key that SDL gives no window (before the focus it holds back) is the window's. The close
// button goes through the default procedure to WM_DESTROY and a quit with code 0; nothing comes
// after WM_DESTROY, and a second destroy of the handle fails quietly.
TEST(Win32Window, EarlyKeyAndCloseButtonEndInDestroyAndQuit) {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  ASSERT_NE(RegisterRecordingClass(), 0);
  const HWND window = CreateWindowExA(0, "w", "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr,
                                      nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  g_received.clear();
  SDL_Event key{};
  key.type = SDL_KEYDOWN, key.key.keysym.sym = SDLK_ESCAPE;
  SDL_PushEvent(&key);
  TestInjectClose(window);
  MSG msg{};
  for (int idle = 0; idle < 40 && msg.message != WM_QUIT;)
    PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE) ? void(DispatchMessageA(&msg))
                                                 : (++idle, SDL_Delay(5));
  EXPECT_EQ(std::make_pair(msg.message, msg.wParam), std::make_pair(UINT{WM_QUIT}, WPARAM{0}));
  ASSERT_GE(g_received.size(), 3u);
  EXPECT_TRUE(g_received[0].message == WM_KEYDOWN && g_received[0].wParam == VK_ESCAPE);
  EXPECT_EQ(g_received[1].message, UINT{WM_CLOSE});
  EXPECT_EQ(g_received.back().message, UINT{WM_DESTROY});
  EXPECT_EQ(Win32GetSdlWindow(window), nullptr);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  g_received.clear();
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_TRUE(g_received.empty());
  EXPECT_TRUE(UnregisterClassA("w", GetModuleHandleA(nullptr)));
}

// Without a display, or with one named that does not answer, nothing blocks and only the
// program's lines show: the box is its stderr line, dialogs and windows are refused at once.
TEST(Win32NoDisplay, MessageBoxWritesOnlyItsLineAndDialogsAndWindowsAreRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process, SDL and GTK unopened
  for (const char* display : {"", ":9999"}) {
    EXPECT_EXIT(
        {
          *display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
          unsetenv("WAYLAND_DISPLAY");
          unsetenv("XDG_RUNTIME_DIR");
          MessageBoxA(nullptr, "Could not create D3D object!", "Error", MB_ICONERROR);
          const INT_PTR dialog = DialogBoxParamA(
              nullptr, MAKEINTRESOURCEA(101), nullptr,
              [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
          RegisterRecordingClass();
          const HWND window = CreateWindowExA(0, "w", "", WS_POPUP, 0, 0, 64, 64, nullptr, nullptr,
                                              nullptr, nullptr);
          std::exit(dialog == -1 && window == nullptr ? 0 : 1);
        },
        ::testing::ExitedWithCode(0),
        "^Error: Could not create D3D object!\nhalvex: no display found [^\n]*DISPLAY must "
        "name[^\n]*\nhalvex: no display for dialogs\n$");
  }
}

}  // namespace
