#include "tests/shell/shell_test_support.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_dsound.h"
#include "platform/testing_win32.h"
#include "shell/app.h"
#include "tests/support/pixels.h"

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
  PumpUntilQuit();
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

namespace {

int g_pictures = 0;

void CountPicture(IDirect3DDevice9* device) {
  if (testsupport::DistinctColours(d3d9test::ReadBackBuffer(device), 33) > 32) ++g_pictures;
}

int Count(const std::vector<std::string>& trace, const std::string& prefix) {
  int count = 0;
  for (const std::string& line : trace) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

}  // namespace

void RunMainBodyInChild(const std::function<void()>& arrange) {
  if (!Win32InitVideo()) std::exit(100);
  d3d9test::ResetHooks();
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
  d3d9test::SetPresentHook(CountPicture);
  DsoundTestSetBackend(DsoundTestBackend::kDrain);
  TestCaptureMessageBoxes(true);
  arrange();
  TestWin32TraceStart();
  const int32_t result = RunApplication();
  const std::vector<std::string> win32 = TestWin32TraceStop();
  for (const std::string& line : win32) std::fprintf(stderr, "win32: %s\n", line.c_str());
  std::string boxes;
  for (const TestMessageBox& box : TestCapturedMessageBoxes()) boxes += box.text + "|";
  std::fprintf(stderr, "windows=%d threads=%d pictures=%s\nboxes: %s\n",
               Count(win32, "CreateWindowExA("), Count(win32, "CreateThread("),
               g_pictures > 0 ? "some" : "none", boxes.c_str());
  std::fflush(stderr);
  std::exit(result);
}

}  // namespace shelltest
