// The setup dialog (scripted: the real dialog procedure and control routing, no window), the
// Device's display-mode list, window, window procedure, start-up and shutdown through the win32
// and Direct3D stand-ins (under Xvfb; skipped without a display). Start-up failures and their
// boxes are the main body's rows, the real dialog's keys the program test's.
#include "shell/device_startup.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "mesh/trig_tables.h"
#include "platform/crt.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_win32.h"
#include "shell/display_mode.h"
#include "shell/setup_dialog.h"
#include "texgen/texture.h"

namespace {

D3DDISPLAYMODE Mode(UINT width, UINT height) { return {width, height, 60, D3DFMT_X8R8G8B8}; }

// Whether a line of the win32 trace starts with `call`.
bool Has(const std::vector<std::string>& trace, const std::string& call) {
  for (const std::string& line : trace)
    if (line.rfind(call, 0) == 0) return true;
  return false;
}

// Frees the listed DisplayModes; the list stays, empty.
void FreeModes(List& modes) {
  for (DisplayMode* mode : ListItems<DisplayMode>(modes)) crt::AlignedDelete(mode);
  ListClear(modes);
}

// A fresh Device with message boxes captured; skipped without a display.
class DeviceShell : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
    TestCaptureMessageBoxes(true);
    DeviceInit(&device_);
  }
  void TearDown() override {
    if (device_.modes == nullptr) return;  // skipped
    if (device_.window != nullptr) DeviceDestroyWindow(device_, 0);
    if (device_.d3d != nullptr) device_.d3d->Release();
    FreeModes(*device_.modes);
    ListDestroy(device_.modes);
    ListDestroy(device_.textures);
    PumpUntilQuit();
    TestCaptureMessageBoxes(false);
    TestWin32ClearFaults(), d3d9test::ResetHooks();
  }
  // Runs the message loop's first half until the queue stays empty; true when WM_QUIT was read.
  static bool PumpUntilQuit() {
    bool quit = false;
    MSG msg{};
    for (int idle = 0; idle < 10;) {
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++idle, SDL_Delay(2);
        continue;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
      quit |= msg.message == WM_QUIT;
    }
    return quit;
  }

  Device device_{};
};

// The mode list keeps the modes of at least 640 x 480 that share neither side with a listed
// mode. Start-up leaves the default states on the device and builds the rendering state at the
// window's size. Windowed, the window is the client area plus the frame (4 a side, 23 for the
// caption), and a real resize through the message pump (minimising and restoring do not count)
// is picked up once: back buffer and frame targets take the new client size. Full screen changes
// the display mode, hides the cursor and covers the mode it got (on a display without a 640 x
// 480 mode, the one it has: the client area counts). Escape removes the window at once; shutdown
// frees everything, gives mode and cursor back, and a class that cannot be unregistered shows the
// shutdown box.
TEST_F(DeviceShell, StartUpResizeAndShutDown) {
  for (uint8_t fullScreen : {0, 1}) {
    SCOPED_TRACE(int(fullScreen));
    d3d9test::SetAdapterModes({Mode(320, 240), Mode(639, 1200), Mode(1600, 479), Mode(640, 480),
                               Mode(1280, 960), Mode(1280, 1024), Mode(1600, 960)});
    ASSERT_TRUE(DeviceCreateDirect3D(device_));
    std::vector<std::string> listed;
    for (const DisplayMode* mode : ListItems<DisplayMode>(*device_.modes))
      listed.push_back(mode->text);
    EXPECT_EQ(listed, (std::vector<std::string>{"640 x 480 x 32", "1280 x 960 x 32"}));
    TestWin32TraceStart();
    ASSERT_TRUE(DeviceStartUp(device_, 640, 480, fullScreen));
    const std::vector<std::string> start = TestWin32TraceStop();
    EXPECT_EQ(Has(start, "ChangeDisplaySettingsA(640x480x32, 4)"), fullScreen == 1);
    EXPECT_EQ(Has(start, "ShowCursor(0)"), fullScreen == 1);
    EXPECT_EQ(Has(start, "CreateWindowExA(w, 0x00CF0000, 0, 0, 648, 511)"), fullScreen == 0);
    if (!fullScreen) {  // a reset to the display's size drops the states
      for (auto [state, value] : {std::pair{D3DRS_ZFUNC, DWORD{D3DCMP_LESSEQUAL}},
                                  {D3DRS_SRCBLEND, DWORD{D3DBLEND_SRCALPHA}},
                                  {D3DRS_DESTBLEND, DWORD{D3DBLEND_INVSRCALPHA}},
                                  {D3DRS_AMBIENT, DWORD{0xFFFFFFFF}}})
        EXPECT_EQ(d3d9test::RenderState(device_.device, state), value) << state;
      for (auto inject : {TestInjectMinimise, TestInjectRestore}) {
        inject(device_.window);
        PumpUntilQuit();
        EXPECT_FALSE(DeviceHandleResize(device_));
      }
      TestInjectResize(device_.window, 400, 300);
      PumpUntilQuit();
      EXPECT_TRUE(DeviceHandleResize(device_));
      EXPECT_FALSE(DeviceHandleResize(device_));
    }
    int width = 0, height = 0;
    SDL_GetWindowSize(Win32GetSdlWindow(device_.window), &width, &height);
    SDL_DisplayMode shown{};
    SDL_GetCurrentDisplayMode(0, &shown);
    EXPECT_EQ(width, fullScreen ? shown.w : 400);
    EXPECT_EQ(d3d9test::Viewport(device_.device).Width, uint32_t(width));
    EXPECT_EQ(device_.height, uint32_t(height));
    EXPECT_EQ(device_.FrameTargetC->width, width);
    EXPECT_EQ(device_.GlowTarget3->height, height / 4);
    EXPECT_NE(gTrigTables.sinTable, nullptr);
    TestInjectKey(device_.window, VK_SPACE);
    EXPECT_FALSE(PumpUntilQuit());
    TestInjectKey(device_.window, VK_ESCAPE);
    ASSERT_TRUE(PumpUntilQuit());
    TestWin32TraceStart();
    TestWin32FailCall("UnregisterClassA");
    DeviceShutDown(device_);
    TestWin32ClearFaults();
    const std::vector<std::string> end = TestWin32TraceStop();
    EXPECT_EQ(Has(end, "ChangeDisplaySettingsA(null, 0)"), fullScreen == 1);
    EXPECT_EQ(Has(end, "ShowCursor(1)"), fullScreen == 1);
    EXPECT_TRUE(device_.renderer == nullptr && device_.targetManager == nullptr &&
                device_.transformState == nullptr && device_.FrameTargetA == nullptr &&
                device_.window == nullptr && device_.device == nullptr && device_.d3d == nullptr &&
                gTrigTables.sinTable == nullptr);
    EXPECT_EQ(d3d9test::LiveObjects(), 0);
    FreeModes(*device_.modes);
  }
  UnregisterClassA("w", GetModuleHandleA(nullptr));
  for (const TestMessageBox& box : TestCapturedMessageBoxes())
    EXPECT_EQ(box.text + "/" + box.caption + "/" + std::to_string(box.type),
              "Could Not Unregister Class./SHUTDOWN ERROR/" + std::to_string(MB_ICONERROR));
  EXPECT_EQ(TestCapturedMessageBoxes().size(), 2u);
}

using Action = TestDialogActionKind;
using Choice = std::tuple<int32_t, uint32_t, uint32_t, int>;  // code, width, height, full screen

Choice RunSetup(List* modes) {
  uint32_t width = 0, height = 0;
  uint8_t fullScreen = 0;
  const int32_t code = RunSetupDialog(modes, &width, &height, &fullScreen);
  return {code, width, height, fullScreen};
}

// Ok gives the selected mode (the last selection counts, the first mode untouched) and full
// screen unless "Run windowed" was last checked; Cancel and Close give 2 with the outputs
// filled; a dialog that cannot open gives -1 and the first mode; an empty list the fallback.
TEST(SetupDialog, ActionsGiveTheirCodeModeAndScreen) {
  List* modes = ListCreate();
  for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
    ListAppend(*modes, DisplayModeCreate(w, h));
  const struct {
    std::vector<TestDialogAction> actions;
    Choice expected;
  } rows[] = {
      {{{Action::kOk}}, {1, 640, 480, 1}},
      {{{Action::kSelect, 3}, {Action::kSelect, 1}, {Action::kOk}}, {1, 800, 600, 1}},
      {{{Action::kToggle}, {Action::kOk}}, {1, 640, 480, 0}},
      {{{Action::kToggle}, {Action::kToggle}, {Action::kOk}}, {1, 640, 480, 1}},
      {{{Action::kSelect, 2}, {Action::kCancel}}, {2, 1024, 768, 1}},
      {{{Action::kToggle}, {Action::kClose}}, {2, 640, 480, 0}},
      {{{Action::kOk}}, {1, 640, 480, 1}},  // a second run starts from what it shows
  };
  for (const auto& row : rows) {
    TestScriptDialog(row.actions);
    EXPECT_EQ(RunSetup(modes), row.expected) << &row - rows;
  }
  TestWin32FailCall("DialogBoxParamA");
  EXPECT_EQ(RunSetup(modes), Choice(-1, 640, 480, 1));
  TestWin32ClearFaults();
  FreeModes(*modes);
  TestScriptDialog({{Action::kSelect, 0}, {Action::kOk}});
  EXPECT_EQ(RunSetup(modes), Choice(1, kFallbackModeWidth, kFallbackModeHeight, 1));
  ListDestroy(modes);
}

}  // namespace
