// The Device's Direct3D object, display-mode list, window, window procedure, start-up and
// shutdown through the win32 and Direct3D stand-ins (run under Xvfb; skipped without a display).
#include "shell/device_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/trig_tables.h"
#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_win32.h"
#include "tests/shell/shell_test_support.h"
#include "texgen/texture.h"

namespace {

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT refresh = 60) {
  return {width, height, refresh, D3DFMT_X8R8G8B8};
}

// Whether a line of the win32 trace starts with `call`.
bool Has(const std::vector<std::string>& trace, const std::string& call) {
  for (const std::string& line : trace)
    if (line.rfind(call, 0) == 0) return true;
  return false;
}

class DeviceShell : public shelltest::ShellTest {
 protected:
  // The one captured box must have this text, caption and the error icon.
  static void ExpectOneBox(const char* text, const char* caption = "Error") {
    const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, caption);
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  }
  static void ExpectSize(const Texture* target, uint32_t width, uint32_t height) {
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, width);
    EXPECT_EQ(target->height, height);
  }
};

// Each capability failure shows its one box, releases the Direct3D object and reports false.
TEST_F(DeviceShell, CapabilityFailuresShowTheirBoxAndReleaseDirect3D) {
  struct Case {
    void (*arm)();
    const char* text;
  };
  const Case cases[] = {
      {[] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); },
       "Could not create D3D object!"},
      {[] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); },
       "Could not get graphics card capabilities!"},
      {[] { d3d9test::SetShaderVersions(0xFFFE0200, 0xFFFF0104); },
       "You need at least a shader model 2.0 compatible graphics card!"},
      {[] { d3d9test::SetAdapterModes({}); },
       "Your graphics card doesn't support the X8R8G8B8 format!"},
  };
  const int liveBefore = d3d9test::LiveObjects();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    d3d9test::ResetHooks();
    TestCaptureMessageBoxes(true);
    c.arm();
    EXPECT_FALSE(DeviceCreateDirect3D(device_));
    EXPECT_EQ(device_.d3d, nullptr);
    EXPECT_EQ(d3d9test::LiveObjects(), liveBefore);
    EXPECT_EQ(ListCount(*device_.modes), 0u);
    ExpectOneBox(c.text);
  }
}

// A mode is listed when it is at least 640 x 480 and shares neither side with a listed mode.
TEST_F(DeviceShell, ModeListKeepsTheFirstModeOfEachWidthAndHeight) {
  struct Case {
    std::vector<D3DDISPLAYMODE> adapter;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {{Mode(640, 480), Mode(720, 480), Mode(800, 600), Mode(800, 480)},
       {"640 x 480 x 32", "800 x 600 x 32"}},
      {{Mode(1280, 960), Mode(1280, 1024), Mode(1600, 960)}, {"1280 x 960 x 32"}},
      {{Mode(1024, 768, 60), Mode(1024, 768, 75)}, {"1024 x 768 x 32"}},
      {{Mode(320, 240), Mode(639, 1200), Mode(1600, 479), Mode(640, 480), Mode(1920, 1080)},
       {"640 x 480 x 32", "1920 x 1080 x 32"}},
      {{Mode(1920, 1080), Mode(800, 600)}, {"1920 x 1080 x 32", "800 x 600 x 32"}},
      {{Mode(320, 200), Mode(512, 384)}, {}},
  };
  for (const Case& c : cases) {
    d3d9test::SetAdapterModes(c.adapter);
    ASSERT_TRUE(DeviceCreateDirect3D(device_));
    std::vector<std::string> texts;
    for (const DisplayMode* mode : ListItems<DisplayMode>(*device_.modes))
      texts.push_back(mode->text);
    EXPECT_EQ(texts, c.listed);
    ReleaseDirect3D();
    FreeModes();
  }
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
}

// The back buffer takes the client area asked for; destroying the window releases the device
// and the Direct3D object.
TEST_F(DeviceShell, WindowedWindowGetsTheClientAreaAndDestroyReleasesAll) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32TraceStart();
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  // Outer size: 320 + 2 x 4 by 240 + 2 x 4 + 23.
  EXPECT_TRUE(Has(TestWin32TraceStop(), "CreateWindowExA(w, 0x00CF0000, 0, 0, 328, 271)"));
  EXPECT_EQ(device_.fullScreen, 0);
  const D3DVIEWPORT9 viewport = d3d9test::Viewport(device_.device);
  EXPECT_EQ(viewport.Width, 320u);
  EXPECT_EQ(viewport.Height, 240u);
  DeviceDestroyWindow(device_, 0);
  EXPECT_EQ(device_.window, nullptr);
  EXPECT_EQ(device_.device, nullptr);
  EXPECT_EQ(device_.d3d, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
}

// A failed window or device creation shows its box and undoes everything it did: the display
// mode is back, the class unregistered, the device released.
TEST_F(DeviceShell, WindowAndDeviceFailuresUndoTheirWork) {
  struct Case {
    void (*arm)();
    const char* text;
  };
  const Case cases[] = {
      {[] { TestWin32FailCall("CreateWindowExA"); }, "Could not create window!"},
      {[] { d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE); },
       "Could not create D3D device!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_TRUE(CreateDirect3D());
    TestCaptureMessageBoxes(true);
    c.arm();
    TestWin32TraceStart();
    EXPECT_FALSE(DeviceCreateWindow(device_, 640, 480, 1));
    const std::vector<std::string> trace = TestWin32TraceStop();
    TestWin32ClearFaults();
    EXPECT_EQ(device_.window, nullptr);
    EXPECT_EQ(device_.device, nullptr);
    EXPECT_TRUE(Has(trace, "ChangeDisplaySettingsA(null, 0)"));
    EXPECT_EQ(trace.back(), "UnregisterClassA(w)");
    ExpectOneBox(c.text);
    ReleaseDirect3D();
    EXPECT_EQ(d3d9test::LiveObjects(), 0);
  }
}

TEST_F(DeviceShell, ClassThatCannotBeUnregisteredShowsTheShutdownBox) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  TestWin32FailCall("UnregisterClassA");
  DeviceDestroyWindow(device_, 0);
  TestWin32ClearFaults();
  ExpectOneBox("Could Not Unregister Class.", "SHUTDOWN ERROR");
  UnregisterClassA("w", GetModuleHandleA(nullptr));
}

// Escape destroys the window (which posts the quit message); other keys do nothing.
TEST_F(DeviceShell, EscapeDestroysTheWindowAndQuits) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  TestInjectKey(device_.window, VK_SPACE);
  EXPECT_FALSE(PumpUntilQuit());
  EXPECT_NE(GetForegroundWindow(), nullptr);
  TestInjectKey(device_.window, VK_ESCAPE);
  ASSERT_TRUE(PumpUntilQuit());
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  DeviceDestroyWindow(device_, 1);  // the window is gone already: no box
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
}

// The size state is process-wide: each row sends sizes to the window procedure and polls with
// the caller's size, starting from 800 x 600 with the flag lowered. Minimised sizes (a zero
// side) raise nothing; the same size only lowers the flag.
TEST(WindowPollResize, ANewSizeIsReportedOnce) {
  struct Row {
    std::vector<std::pair<WORD, WORD>> sent;
    bool reported;
    uint32_t width, height;  // the caller's size after the poll
  };
  const Row rows[] = {
      {{}, false, 800, 600},
      {{{1024, 700}}, true, 1024, 700},
      {{{800, 701}}, true, 800, 701},
      {{{800, 600}}, false, 800, 600},
      {{{0, 0}, {0, 600}, {640, 0}}, false, 800, 600},
      {{{0, 0}, {640, 480}}, true, 640, 480},
  };
  for (const Row& row : rows) {
    uint32_t width = 800, height = 600;
    WindowProc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(800, 600));
    WindowPollResize(width, height);
    for (auto [w, h] : row.sent) WindowProc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w, h));
    EXPECT_EQ(WindowPollResize(width, height), row.reported) << row.width << " x " << row.height;
    EXPECT_EQ(width, row.width);
    EXPECT_EQ(height, row.height);
    EXPECT_FALSE(WindowPollResize(width, height));
  }
}

// A real resize reaches the window procedure through the message pump (minimising and
// restoring do not count); the reset then gives the back buffer the new client size.
TEST_F(DeviceShell, ResizeIsPolledAndResetTakesTheNewClientSize) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  uint32_t width = 320, height = 240;
  PumpUntilQuit();
  EXPECT_FALSE(WindowPollResize(width, height));
  TestInjectMinimise(device_.window);
  PumpUntilQuit();
  TestInjectRestore(device_.window);
  PumpUntilQuit();
  EXPECT_FALSE(WindowPollResize(width, height));
  TestInjectResize(device_.window, 400, 300);
  PumpUntilQuit();
  ASSERT_TRUE(WindowPollResize(width, height));
  EXPECT_EQ(width, 400u);
  EXPECT_EQ(height, 300u);
  DeviceReset(device_);
  EXPECT_EQ(d3d9test::Viewport(device_.device).Width, 400u);
  EXPECT_EQ(d3d9test::Viewport(device_.device).Height, 300u);
}

// Start-up leaves the default states on the device and builds the rendering state at the
// window's size; shutdown frees all of it.
TEST_F(DeviceShell, StartUpSetsTheDefaultsAndShutDownFreesEverything) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceStartUp(device_, 322, 241, 0));
  const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {{D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
                                                         {D3DRS_ZENABLE, TRUE},
                                                         {D3DRS_ALPHABLENDENABLE, 0},
                                                         {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                                         {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                                         {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
                                                         {D3DRS_AMBIENT, 0xFFFFFFFF},
                                                         {D3DRS_LIGHTING, 0}};
  for (auto [state, value] : states)
    EXPECT_EQ(d3d9test::RenderState(device_.device, state), value) << state;
  EXPECT_EQ(device_.width, 322u);
  EXPECT_EQ(device_.height, 241u);
  for (const Texture* full : {device_.FrameTargetA, device_.FrameTargetB, device_.FrameTargetC})
    ExpectSize(full, 322, 241);
  for (const Texture* glow : {device_.GlowTarget1, device_.GlowTarget2, device_.GlowTarget3})
    ExpectSize(glow, 80, 60);
  EXPECT_NE(gTrigTables.sinTable, nullptr);
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());

  DeviceShutDown(device_);
  EXPECT_EQ(device_.renderer, nullptr);
  EXPECT_EQ(device_.targetManager, nullptr);
  EXPECT_EQ(device_.transformState, nullptr);
  EXPECT_EQ(device_.FrameTargetA, nullptr);
  EXPECT_EQ(device_.window, nullptr);
  EXPECT_EQ(gTrigTables.sinTable, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}

// Full screen changes the display mode and hides the cursor; the window covers the mode it got
// (on a 1280 x 1024 display no 640 x 480 mode exists, and start-up then takes the client
// area). Escape removes the window at once; shutdown still gives mode and cursor back.
TEST_F(DeviceShell, FullScreenTakesTheClientAreaAndShutDownRestoresTheMode) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32TraceStart();
  ASSERT_TRUE(DeviceStartUp(device_, 640, 480, 1));
  const std::vector<std::string> start = TestWin32TraceStop();
  EXPECT_TRUE(Has(start, "ChangeDisplaySettingsA(640x480x32, 4)"));
  EXPECT_TRUE(Has(start, "ShowCursor(0)"));
  EXPECT_EQ(device_.fullScreen, 1);
  int width = 0, height = 0;
  SDL_GetWindowSize(Win32GetSdlWindow(device_.window), &width, &height);
  EXPECT_EQ(device_.width, static_cast<uint32_t>(width));
  EXPECT_EQ(d3d9test::Viewport(device_.device).Height, static_cast<DWORD>(height));
  ExpectSize(device_.GlowTarget1, width / 4, height / 4);

  TestInjectKey(device_.window, VK_ESCAPE);
  ASSERT_TRUE(PumpUntilQuit());
  TestWin32TraceStart();
  DeviceShutDown(device_);
  const std::vector<std::string> end = TestWin32TraceStop();
  EXPECT_TRUE(Has(end, "ChangeDisplaySettingsA(null, 0)"));
  EXPECT_TRUE(Has(end, "ShowCursor(1)"));
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}

TEST_F(DeviceShell, FailedWindowBuildsNothing) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32FailCall("CreateWindowExA");
  EXPECT_FALSE(DeviceStartUp(device_, 640, 480, 0));
  TestWin32ClearFaults();
  EXPECT_EQ(device_.renderer, nullptr);
  EXPECT_EQ(device_.width, 0u);
  EXPECT_EQ(gTrigTables.sinTable, nullptr);
  EXPECT_EQ(TestCapturedMessageBoxes().size(), 1u);
}

}  // namespace
