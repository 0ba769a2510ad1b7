// The setup dialog (scripted: the real dialog procedure and control routing, no window), the
// Device's display-mode list, window, window procedure, start-up and shutdown through the win32
// and Direct3D stand-ins (under Xvfb; skipped without a display). Start-up failures and their
// boxes are the main body's rows, the real dialog's keys the program test's.
#include "shell/device_startup.h"

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include <string>
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

D3DDISPLAYMODE Mode(UINT width, UINT height, UINT refresh = 60) {
  return {width, height, refresh, D3DFMT_X8R8G8B8};
}

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
  // DeviceCreateDirect3D over an adapter that lists 640 x 480 and 800 x 600.
  bool CreateDirect3D() {
    d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
    return DeviceCreateDirect3D(device_);
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
      {{Mode(320, 240), Mode(639, 1200), Mode(1600, 479), Mode(640, 480), Mode(1920, 1080)},
       {"640 x 480 x 32", "1920 x 1080 x 32"}},
      {{Mode(320, 200), Mode(512, 384)}, {}},
  };
  for (const Case& c : cases) {
    d3d9test::SetAdapterModes(c.adapter);
    ASSERT_TRUE(DeviceCreateDirect3D(device_));
    std::vector<std::string> texts;
    for (const DisplayMode* mode : ListItems<DisplayMode>(*device_.modes))
      texts.push_back(mode->text);
    EXPECT_EQ(texts, c.listed);
    device_.d3d->Release();
    device_.d3d = nullptr;
    FreeModes(*device_.modes);
  }
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
    EXPECT_EQ(std::pair(width, height), std::pair(row.width, row.height));
    EXPECT_FALSE(WindowPollResize(width, height));
  }
}

// The back buffer takes the client area asked for (outer size 320 + 2 x 4 by 240 + 2 x 4 + 23);
// a real resize reaches the window procedure through the message pump (minimising and
// restoring do not count) and the reset gives the back buffer the new client size; a class
// that cannot be unregistered shows the shutdown box; everything is released.
TEST_F(DeviceShell, WindowTakesTheClientAreaAndItsResizesAndDestroyReleasesAll) {
  ASSERT_TRUE(CreateDirect3D());
  TestWin32TraceStart();
  ASSERT_TRUE(DeviceCreateWindow(device_, 320, 240, 0));
  EXPECT_TRUE(Has(TestWin32TraceStop(), "CreateWindowExA(w, 0x00CF0000, 0, 0, 328, 271)"));
  EXPECT_EQ(d3d9test::Viewport(device_.device).Width, 320u);
  uint32_t width = 320, height = 240;
  TestInjectMinimise(device_.window);
  PumpUntilQuit();
  TestInjectRestore(device_.window);
  PumpUntilQuit();
  EXPECT_FALSE(WindowPollResize(width, height));
  TestInjectResize(device_.window, 400, 300);
  PumpUntilQuit();
  ASSERT_TRUE(WindowPollResize(width, height));
  EXPECT_EQ(std::pair(width, height), std::pair(400u, 300u));
  DeviceReset(device_);
  EXPECT_EQ(d3d9test::Viewport(device_.device).Width, 400u);
  EXPECT_EQ(d3d9test::Viewport(device_.device).Height, 300u);
  TestWin32FailCall("UnregisterClassA");
  DeviceDestroyWindow(device_, 0);
  TestWin32ClearFaults();
  EXPECT_TRUE(device_.window == nullptr && device_.device == nullptr && device_.d3d == nullptr);
  EXPECT_EQ(d3d9test::LiveObjects(), 0);
  const std::vector<TestMessageBox> boxes = TestCapturedMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text + "/" + boxes[0].caption, "Could Not Unregister Class./SHUTDOWN ERROR");
  EXPECT_EQ(boxes[0].type, MB_ICONERROR);
  UnregisterClassA("w", GetModuleHandleA(nullptr));
}

// Start-up leaves the default states on the device and builds the rendering state at the
// window's size: full screen changes the display mode, hides the cursor and covers the mode it
// got (on a 1280 x 1024 display no 640 x 480 mode exists: the client area counts). Escape
// removes the window at once; shutdown frees everything and gives mode and cursor back.
TEST_F(DeviceShell, StartUpSetsTheDefaultsAndShutDownFreesEverything) {
  const D3DRENDERSTATETYPE states[] = {D3DRS_ZFUNC,    D3DRS_ZENABLE,   D3DRS_ALPHABLENDENABLE,
                                       D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_AMBIENT};
  const DWORD defaults[] = {D3DCMP_LESSEQUAL,     TRUE,      FALSE, D3DBLEND_SRCALPHA,
                            D3DBLEND_INVSRCALPHA, 0xFFFFFFFF};
  for (uint8_t fullScreen : {0, 1}) {
    SCOPED_TRACE(int(fullScreen));
    ASSERT_TRUE(CreateDirect3D());
    TestWin32TraceStart();
    ASSERT_TRUE(DeviceStartUp(device_, 640, 480, fullScreen));
    const std::vector<std::string> start = TestWin32TraceStop();
    EXPECT_EQ(Has(start, "ChangeDisplaySettingsA(640x480x32, 4)"), fullScreen == 1);
    EXPECT_EQ(Has(start, "ShowCursor(0)"), fullScreen == 1);
    for (int i = 0; i < 6 && !fullScreen; ++i)  // a reset to the display's size drops them
      EXPECT_EQ(d3d9test::RenderState(device_.device, states[i]), defaults[i]) << states[i];
    int width = 0, height = 0;
    SDL_GetWindowSize(Win32GetSdlWindow(device_.window), &width, &height);
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
    DeviceShutDown(device_);
    const std::vector<std::string> end = TestWin32TraceStop();
    EXPECT_EQ(Has(end, "ChangeDisplaySettingsA(null, 0)"), fullScreen == 1);
    EXPECT_EQ(Has(end, "ShowCursor(1)"), fullScreen == 1);
    EXPECT_TRUE(device_.renderer == nullptr && device_.targetManager == nullptr &&
                device_.transformState == nullptr && device_.FrameTargetA == nullptr);
    EXPECT_EQ(gTrigTables.sinTable, nullptr);
    EXPECT_EQ(d3d9test::LiveObjects(), 0);
    FreeModes(*device_.modes);
  }
  EXPECT_TRUE(TestCapturedMessageBoxes().empty());
}

using Action = TestDialogActionKind;

struct SetupResult {
  int32_t code;
  uint32_t width, height;
  uint8_t fullScreen;
  bool operator==(const SetupResult&) const = default;
};

// Ok gives the selected mode (the last selection counts, the first mode untouched) and full
// screen unless "Run windowed" was last checked; Cancel and Close give 2 with the outputs
// filled; a dialog that cannot open gives -1 and the first mode; an empty list the fallback.
TEST(SetupDialog, ActionsGiveTheirCodeModeAndScreen) {
  List* modes = ListCreate();
  for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
    ListAppend(*modes, DisplayModeCreate(w, h));
  const auto run = [](List* list) {
    SetupResult result{};
    result.code = RunSetupDialog(list, &result.width, &result.height, &result.fullScreen);
    return result;
  };
  struct Row {
    std::vector<TestDialogAction> actions;
    SetupResult expected;
  };
  const Row rows[] = {
      {{{Action::kOk}}, {1, 640, 480, 1}},
      {{{Action::kSelect, 3}, {Action::kSelect, 1}, {Action::kOk}}, {1, 800, 600, 1}},
      {{{Action::kToggle}, {Action::kOk}}, {1, 640, 480, 0}},
      {{{Action::kToggle}, {Action::kToggle}, {Action::kOk}}, {1, 640, 480, 1}},
      {{{Action::kSelect, 2}, {Action::kCancel}}, {2, 1024, 768, 1}},
      {{{Action::kToggle}, {Action::kClose}}, {2, 640, 480, 0}},
      {{{Action::kSelect, 3}, {Action::kToggle}, {Action::kOk}}, {1, 1280, 1024, 0}},
      {{{Action::kOk}}, {1, 640, 480, 1}},  // a second run starts from what it shows
  };
  for (size_t i = 0; i < std::size(rows); ++i) {
    TestScriptDialog(rows[i].actions);
    EXPECT_EQ(run(modes), rows[i].expected) << "row " << i;
  }
  TestWin32FailCall("DialogBoxParamA");
  EXPECT_EQ(run(modes), (SetupResult{-1, 640, 480, 1}));
  TestWin32ClearFaults();
  List* empty = ListCreate();
  TestScriptDialog({{Action::kSelect, 0}, {Action::kOk}});
  EXPECT_EQ(run(empty), (SetupResult{1, kFallbackModeWidth, kFallbackModeHeight, 1}));
  ListDestroy(empty);
  FreeModes(*modes);
  ListDestroy(modes);
}

}  // namespace
