#include "tests/shell/shell_test_support.h"

#include <SDL2/SDL.h>

#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_win32.h"

namespace shelltest {

void ShellTest::SetUp() {
  if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  d3d9test::ResetHooks();
  TestWin32ClearFaults();
  TestCaptureMessageBoxes(true);
  DeviceInit(&device_);
}

void ShellTest::TearDown() {
  if (device_.modes == nullptr) return;  // skipped
  if (device_.window != nullptr) DeviceDestroyWindow(device_, 0);
  ReleaseDirect3D();
  FreeModes();
  ListDestroy(device_.modes);
  ListDestroy(device_.textures);
  Pump();
  TestCaptureMessageBoxes(false);
  TestWin32ClearFaults();
  d3d9test::ResetHooks();
}

bool ShellTest::CreateDirect3D() {
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
  return DeviceCreateDirect3D(device_);
}

void ShellTest::ReleaseDirect3D() {
  if (device_.d3d != nullptr) device_.d3d->Release();
  device_.d3d = nullptr;
}

void ShellTest::FreeModes() {
  for (DisplayMode* mode : ListItems<DisplayMode>(*device_.modes)) crt::AlignedDelete(mode);
  ListClear(*device_.modes);
}

bool ShellTest::PumpUntilQuit() {
  bool quit = false;
  MSG msg{};
  for (int idle = 0; idle < 10;) {
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ++idle;
      SDL_Delay(2);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    if (msg.message == WM_QUIT) quit = true;
  }
  return quit;
}

}  // namespace shelltest
