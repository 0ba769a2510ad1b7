// The Device's Direct3D object, display-mode list, window and window procedure through the
// win32 and Direct3D stand-ins (run under Xvfb; skipped without a display).
#include "shell/device.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_win32.h"
#include "tests/shell/shell_test_support.h"

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
    for (const ListNode* node = device_.modes->first; node != nullptr; node = node->next) {
      const auto* mode = reinterpret_cast<const DisplayMode*>(node->value);
      EXPECT_EQ(mode->bitsPerPixel, 32u);
      EXPECT_EQ(std::to_string(mode->width) + " x " + std::to_string(mode->height) + " x 32",
                mode->text);
      texts.push_back(mode->text);
    }
    return texts;
  }
};

TEST_F(DeviceShell, InitLeavesEverythingAbsentWithFogDefaults) {
  EXPECT_EQ(device_.d3d, nullptr);
  EXPECT_EQ(device_.device, nullptr);
  EXPECT_EQ(device_.window, nullptr);
  ASSERT_NE(device_.modes, nullptr);
  ASSERT_NE(device_.textures, nullptr);
  EXPECT_EQ(ListCount(*device_.modes), 0u);
  EXPECT_EQ(ListCount(*device_.textures), 0u);
  EXPECT_EQ(device_.width, 0u);
  EXPECT_EQ(device_.height, 0u);
  EXPECT_EQ(device_.fullScreen, 0);
  EXPECT_EQ(device_.fogStart, 0.0f);
  EXPECT_EQ(device_.fogEnd, 100.0f);
  EXPECT_EQ(device_.fogColor, 0xFFFFFFFFu);
  EXPECT_EQ(device_.FrameTargetA, nullptr);
  EXPECT_EQ(device_.GlowTarget3, nullptr);
  EXPECT_EQ(device_.renderer, nullptr);
}

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

TEST_F(DeviceShell, ShaderModelTwoAndAboveIsAccepted) {
  for (DWORD version : {0xFFFF0200u, 0xFFFF0300u}) {
    d3d9test::SetShaderVersions(0xFFFE0200, version);
    d3d9test::SetAdapterModes({Mode(640, 480)});
    ASSERT_TRUE(DeviceCreateDirect3D(device_)) << std::hex << version;
    EXPECT_THAT(TestCapturedMessageBoxes(), IsEmpty());
    ReleaseDirect3D();
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

TEST_F(DeviceShell, WindowProcedureAnswersAndPassesOnMessages) {
  EXPECT_EQ(WindowProc(nullptr, WM_KEYDOWN, 'A', 0), 0);
  EXPECT_EQ(WindowProc(nullptr, WM_KEYUP, VK_ESCAPE, 0), 0);  // DefWindowProcA: 0
  TestWin32TraceStart();
  EXPECT_EQ(WindowProc(nullptr, WM_DESTROY, 0, 0), 0);
  EXPECT_THAT(TestWin32TraceStop(), ElementsAre("PostQuitMessage(0)"));
  MSG msg{};
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 0u);
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

TEST_F(WindowPollResizeTest, SixteenBitsOfEachSideAreRecorded) {
  // High bits of a 64-bit lParam beyond the two words are ignored.
  WindowProc(nullptr, WM_SIZE, SIZE_RESTORED,
             static_cast<LPARAM>(0x7FFF00000000LL | MAKELPARAM(0xFFFF, 0x1234)));
  ASSERT_TRUE(Poll());
  EXPECT_EQ(width_, 0xFFFFu);
  EXPECT_EQ(height_, 0x1234u);
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
