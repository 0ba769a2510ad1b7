// The Device's Direct3D object, display-mode list, window and window procedure through the
// win32 and Direct3D stand-ins (run under Xvfb; skipped without a display).
#include "shell/device_startup.h"

#include <gmock/gmock.h>
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

using ::testing::ElementsAre;
using ::testing::IsEmpty;

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT refresh = 60) {
  return {width, height, refresh, D3DFMT_X8R8G8B8};
}

class DeviceShell : public shelltest::ShellTest {
 protected:
  std::vector<std::string> ModeTexts() {
    std::vector<std::string> texts;
    for (const DisplayMode* mode : ListItems<DisplayMode>(*device_.modes)) {
      texts.push_back(mode->text);
    }
    return texts;
  }
};

// Each capability failure shows its one box, releases the Direct3D object and reports false.
TEST_F(DeviceShell, CapabilityFailuresShowTheirBoxAndReleaseDirect3D) {
  struct Case {
    const char* name;
    void (*arm)();
    const char* text;
  };
  const Case cases[] = {
      {"no Direct3D", [] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); },
       "Could not create D3D object!"},
      {"caps", [] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); },
       "Could not get graphics card capabilities!"},
      {"ps 1.4", [] { d3d9test::SetShaderVersions(0xFFFE0200, 0xFFFF0104); },
       "You need at least a shader model 2.0 compatible graphics card!"},
      {"no X8R8G8B8 modes", [] { d3d9test::SetAdapterModes({}); },
       "Your graphics card doesn't support the X8R8G8B8 format!"},
  };
  const int liveBefore = d3d9test::LiveObjects();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    d3d9test::ResetHooks();
    TestCaptureMessageBoxes(true);
    c.arm();
    EXPECT_FALSE(DeviceCreateDirect3D(device_));
    EXPECT_EQ(device_.d3d, nullptr);
    EXPECT_EQ(d3d9test::LiveObjects(), liveBefore);
    EXPECT_EQ(ListCount(*device_.modes), 0u);
    const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  }
}

// A mode is listed when it is at least 640 x 480 and shares neither side with a listed mode.
TEST_F(DeviceShell, ModeListKeepsTheFirstModeOfEachWidthAndHeight) {
  struct Case {
    const char* name;
    std::vector<D3DDISPLAYMODE> adapter;
    std::vector<std::string> listed;
  };
  const Case cases[] = {
      {"shared sides",
       {Mode(640, 480), Mode(720, 480), Mode(800, 600), Mode(800, 480)},
       {"640 x 480 x 32", "800 x 600 x 32"}},
      {"either side", {Mode(1280, 960), Mode(1280, 1024), Mode(1600, 960)}, {"1280 x 960 x 32"}},
      {"refresh variants",
       {Mode(1024, 768, 60), Mode(1024, 768, 75), Mode(1024, 768, 85)},
       {"1024 x 768 x 32"}},
      {"small modes",
       {Mode(320, 240), Mode(639, 1200), Mode(1600, 479), Mode(640, 480), Mode(1920, 1080)},
       {"640 x 480 x 32", "1920 x 1080 x 32"}},
      {"adapter order", {Mode(1920, 1080), Mode(800, 600)}, {"1920 x 1080 x 32", "800 x 600 x 32"}},
      {"none large enough", {Mode(320, 200), Mode(512, 384)}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    d3d9test::SetAdapterModes(c.adapter);
    ASSERT_TRUE(DeviceCreateDirect3D(device_));
    EXPECT_EQ(ModeTexts(), c.listed);
    EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
    ReleaseDirect3D();
    FreeModes();
  }
}

TEST_F(DeviceShell, WindowedWindowAddsTheFrameAndShowsTheTitle) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32TraceStart();
  d3d9test::SetTrace(true);
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  const std::vector<std::string> win32 = TestWin32TraceStop();
  // Outer size: 320 + 2 x 4 by 240 + 2 x 4 + 23.
  EXPECT_THAT(win32,
              ElementsAre("RegisterClassA(w)", "CreateWindowExA(w, 0x00CF0000, 0, 0, 328, 271)",
                          "ShowWindow(1)", "UpdateWindow", "SetWindowTextA(Halvex v2)"));
  EXPECT_THAT(d3d9test::TraceOf("CreateDevice"), ElementsAre("CreateDevice(0, 1, ptr, 64)"));
  EXPECT_EQ(device_.fullScreen, 0);
  ASSERT_NE(device_.device, nullptr);
  // The back buffer takes the client area.
  const D3DVIEWPORT9 viewport = d3d9test::Viewport(device_.device);
  EXPECT_EQ(viewport.Width, 320u);
  EXPECT_EQ(viewport.Height, 240u);

  TestWin32TraceStart();
  DeviceDestroyWindow(device_, 0);
  EXPECT_THAT(TestWin32TraceStop(),
              ElementsAre("DestroyWindow", "PostQuitMessage(0)", "UnregisterClassA(w)"));
  EXPECT_EQ(device_.window, nullptr);
  EXPECT_EQ(device_.device, nullptr);
  EXPECT_EQ(device_.d3d, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
  EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
}

TEST_F(DeviceShell, FullScreenChangesTheModeHidesTheCursorAndRestoresBoth) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32TraceStart();
  ASSERT_TRUE(DeviceCreateWindow(device_, 640, 480, 1));
  std::vector<std::string> trace = TestWin32TraceStop();
  ASSERT_EQ(trace.size(), 7u);
  EXPECT_EQ(trace[1], "ChangeDisplaySettingsA(640x480x32, 4)");
  EXPECT_EQ(trace[2], "CreateWindowExA(w, 0x80000000, 0, 0, 640, 480)");
  EXPECT_THAT(trace[3], ::testing::StartsWith("ShowCursor(0)"));
  EXPECT_EQ(device_.fullScreen, 1);

  TestWin32TraceStart();
  DeviceDestroyWindow(device_, 0);
  trace = TestWin32TraceStop();
  ASSERT_EQ(trace.size(), 5u);
  EXPECT_EQ(trace[0], "DestroyWindow");
  EXPECT_EQ(trace[1], "PostQuitMessage(0)");
  EXPECT_EQ(trace[2], "ChangeDisplaySettingsA(null, 0)");
  EXPECT_THAT(trace[3], ::testing::StartsWith("ShowCursor(1)"));
  EXPECT_EQ(trace[4], "UnregisterClassA(w)");
}

// A failed window or device creation shows its box and undoes everything it did: the display
// mode is back, the class unregistered, the device and Direct3D object released.
TEST_F(DeviceShell, WindowAndDeviceFailuresUndoTheirWork) {
  struct Case {
    const char* name;
    void (*arm)();
    const char* text;
  };
  const Case cases[] = {
      {"window", [] { TestWin32FailCall("CreateWindowExA"); }, "Could not create window!"},
      {"device", [] { d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE); },
       "Could not create D3D device!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(CreateDirect3D());
    TestCaptureMessageBoxes(true);
    c.arm();
    TestWin32TraceStart();
    EXPECT_FALSE(DeviceCreateWindow(device_, 640, 480, 1));
    const std::vector<std::string> trace = TestWin32TraceStop();
    TestWin32ClearFaults();
    EXPECT_EQ(device_.window, nullptr);
    EXPECT_EQ(device_.device, nullptr);
    ASSERT_GE(trace.size(), 3u);
    EXPECT_EQ(trace[trace.size() - 3], "ChangeDisplaySettingsA(null, 0)");
    EXPECT_EQ(trace.back(), "UnregisterClassA(w)");
    const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, c.text);
    EXPECT_EQ(boxes[0].caption, "Error");
    EXPECT_EQ(boxes[0].type, MB_ICONERROR);
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
  const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Could Not Unregister Class.");
  EXPECT_EQ(boxes[0].caption, "SHUTDOWN ERROR");
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  UnregisterClassA("w", GetModuleHandleA(nullptr));
}

// Escape destroys the window (which posts the quit message); other keys do nothing. A window
// already gone is not destroyed a second time at shutdown.
TEST_F(DeviceShell, EscapeDestroysTheWindowAndQuits) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  TestInjectKey(device_.window, VK_SPACE);
  EXPECT_FALSE(PumpUntilQuit());
  EXPECT_NE(GetForegroundWindow(), nullptr);

  TestInjectKey(device_.window, VK_ESCAPE);
  ASSERT_TRUE(PumpUntilQuit());
  EXPECT_EQ(GetForegroundWindow(), nullptr);

  TestWin32TraceStart();
  DeviceDestroyWindow(device_, 1);
  EXPECT_THAT(TestWin32TraceStop(), ElementsAre("UnregisterClassA(w)"));
  EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
}

// The size state is process-wide: every case starts from a known size of 800 x 600 with the
// flag lowered.
class WindowPollResizeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SendSize(800, 600);
    Poll();
  }
  static void SendSize(WORD width, WORD height) {
    WindowProc(nullptr, WM_SIZE, SIZE_RESTORED, MAKELPARAM(width, height));
  }
  bool Poll() { return WindowPollResize(width_, height_); }
  uint32_t width_ = 800, height_ = 600;
};

TEST_F(WindowPollResizeTest, NewSizeIsReportedOnce) {
  EXPECT_FALSE(Poll());  // nothing raised
  SendSize(1024, 700);
  ASSERT_TRUE(Poll());
  EXPECT_EQ(width_, 1024u);
  EXPECT_EQ(height_, 700u);
  EXPECT_FALSE(Poll());
  SendSize(1024, 701);  // one side is enough
  EXPECT_TRUE(Poll());
  EXPECT_EQ(height_, 701u);
}

TEST_F(WindowPollResizeTest, SameSizeOnlyLowersTheFlag) {
  SendSize(800, 600);
  EXPECT_FALSE(Poll());
  // The flag is down: a later change of the caller's size alone reports nothing.
  width_ = 10;
  EXPECT_FALSE(Poll());
  EXPECT_EQ(width_, 10u);
}

TEST_F(WindowPollResizeTest, MinimisedSizesRaiseNothing) {
  SendSize(0, 0);
  EXPECT_FALSE(Poll());
  SendSize(0, 600);
  SendSize(640, 0);
  EXPECT_FALSE(Poll());
  EXPECT_EQ(width_, 800u);
  EXPECT_EQ(height_, 600u);
  // Restoring to another size reports it.
  SendSize(640, 480);
  EXPECT_TRUE(Poll());
  EXPECT_EQ(width_, 640u);
}

// A real resize reaches the window procedure through the message pump; the reset then gives
// the back buffer the new client size.
TEST_F(DeviceShell, ResizeIsPolledAndResetTakesTheNewClientSize) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  uint32_t width = 320, height = 240;
  Pump();
  EXPECT_FALSE(WindowPollResize(width, height));

  TestInjectMinimise(device_.window);
  Pump();
  EXPECT_FALSE(WindowPollResize(width, height));
  TestInjectRestore(device_.window);
  Pump();
  EXPECT_FALSE(WindowPollResize(width, height));

  TestInjectResize(device_.window, 400, 300);
  Pump();
  ASSERT_TRUE(WindowPollResize(width, height));
  EXPECT_EQ(width, 400u);
  EXPECT_EQ(height, 300u);
  d3d9test::SetTrace(true);
  DeviceReset(device_);
  EXPECT_THAT(d3d9test::TraceOf("Reset"), ElementsAre("Reset(ptr)"));
  const D3DVIEWPORT9 viewport = d3d9test::Viewport(device_.device);
  EXPECT_EQ(viewport.Width, 400u);
  EXPECT_EQ(viewport.Height, 300u);
}

}  // namespace

// ---- Start-up and shutdown ---------------------------------------------------------------

class DeviceStartUpTest : public DeviceShell {
 protected:
  static std::vector<std::string> TraceBetween(const std::vector<std::string>& trace,
                                               const std::string& first, size_t count) {
    for (size_t i = 0; i < trace.size(); ++i) {
      if (trace[i].rfind(first, 0) == 0 && i + count <= trace.size()) {
        return {trace.begin() + i, trace.begin() + i + count};
      }
    }
    return {};
  }
  static void ExpectSize(const Texture* target, uint16_t width, uint16_t height) {
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->width, width);
    EXPECT_EQ(target->height, height);
  }
};

TEST_F(DeviceStartUpTest, StartUpSetsTheDefaultsAndBuildsTheRenderingState) {
  ASSERT_TRUE(CreateDirect3D());
  d3d9test::SetTrace(true);
  ASSERT_TRUE(DeviceStartUp(device_, 322, 241, 0));
  // The default states right after the device, in this order, then the material.
  EXPECT_THAT(
      TraceBetween(d3d9test::Trace(), "SetRenderState", 9),
      ElementsAre("SetRenderState(23, 4)", "SetRenderState(7, 1)", "SetRenderState(27, 0)",
                  "SetRenderState(19, 5)", "SetRenderState(20, 6)", "SetRenderState(9, 2)",
                  "SetRenderState(139, 4294967295)", "SetRenderState(137, 0)", "SetMaterial(ptr)"));
  EXPECT_EQ(d3d9test::RenderState(device_.device, D3DRS_ZFUNC), DWORD{D3DCMP_LESSEQUAL});
  EXPECT_EQ(device_.width, 322u);
  EXPECT_EQ(device_.height, 241u);
  EXPECT_NE(device_.transformState, nullptr);
  EXPECT_NE(device_.targetManager, nullptr);
  EXPECT_NE(device_.renderer, nullptr);
  ExpectSize(device_.FrameTargetA, 322, 241);
  ExpectSize(device_.FrameTargetB, 322, 241);
  ExpectSize(device_.FrameTargetC, 322, 241);
  for (const Texture* glow : {device_.GlowTarget1, device_.GlowTarget2, device_.GlowTarget3}) {
    ExpectSize(glow, 80, 60);
  }
  EXPECT_NE(gTrigTables.sinTable, nullptr);
  // No resize: the client area is the size asked for, so the start-up check resets nothing.
  EXPECT_THAT(d3d9test::TraceOf("Reset"), IsEmpty());
  EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());

  DeviceShutDown(device_);
  EXPECT_EQ(device_.renderer, nullptr);
  EXPECT_EQ(device_.targetManager, nullptr);
  EXPECT_EQ(device_.transformState, nullptr);
  EXPECT_EQ(device_.FrameTargetA, nullptr);
  EXPECT_EQ(device_.GlowTarget3, nullptr);
  EXPECT_EQ(device_.window, nullptr);
  EXPECT_EQ(gTrigTables.sinTable, nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
  EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
}

// A full-screen window covers the display mode it got (on a 1280 x 1024 display no mode of
// 640 x 480 exists); the start-up resize check gives the back buffer and the frame targets
// the client area when it differs from the size asked for.
TEST_F(DeviceStartUpTest, StartUpTakesTheClientAreaTheWindowGot) {
  ASSERT_TRUE(CreateDirect3D());
  d3d9test::SetTrace(true);
  ASSERT_TRUE(DeviceStartUp(device_, 640, 480, 1));
  int width = 0, height = 0;
  SDL_GetWindowSize(Win32GetSdlWindow(device_.window), &width, &height);
  if (width == 640 && height == 480) GTEST_SKIP() << "the display has a 640 x 480 mode";
  EXPECT_EQ(device_.width, static_cast<uint32_t>(width));
  EXPECT_EQ(device_.height, static_cast<uint32_t>(height));
  EXPECT_EQ(d3d9test::Viewport(device_.device).Width, static_cast<DWORD>(width));
  ExpectSize(device_.FrameTargetA, width, height);
  ExpectSize(device_.GlowTarget1, width / 4, height / 4);
  EXPECT_THAT(d3d9test::TraceOf("Reset"), ElementsAre("Reset(ptr)"));
  DeviceShutDown(device_);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}

TEST_F(DeviceStartUpTest, FailedWindowBuildsNothing) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32FailCall("CreateWindowExA");
  EXPECT_FALSE(DeviceStartUp(device_, 640, 480, 0));
  TestWin32ClearFaults();
  EXPECT_EQ(device_.renderer, nullptr);
  EXPECT_EQ(device_.transformState, nullptr);
  EXPECT_EQ(device_.width, 0u);
  EXPECT_EQ(gTrigTables.sinTable, nullptr);
  EXPECT_EQ(TestCapturedMessageBoxes().size(), 1u);
}

// Escape in full screen: the window goes at once, and shutdown still gives the display mode
// and the cursor back, without a box for the window that is already gone.
TEST_F(DeviceStartUpTest, EscapeInFullScreenRestoresTheModeAtShutdown) {
  ASSERT_TRUE(CreateDirect3D());
  ASSERT_TRUE(DeviceStartUp(device_, 640, 480, 1));
  TestInjectKey(device_.window, VK_ESCAPE);
  ASSERT_TRUE(PumpUntilQuit());
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  TestWin32TraceStart();
  DeviceShutDown(device_);
  const std::vector<std::string> trace = TestWin32TraceStop();
  ASSERT_EQ(trace.size(), 4u);
  EXPECT_EQ(trace[0], "DestroyWindow");  // refused quietly: the handle is dead
  EXPECT_EQ(trace[1], "ChangeDisplaySettingsA(null, 0)");
  EXPECT_EQ(trace[2], "ShowCursor(1) = 0");
  EXPECT_EQ(trace[3], "UnregisterClassA(w)");
  EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
}
