// The main body in a child process of its own (it keeps process-wide state and never frees the
// Device): the dialog is scripted, the sound plays offline as fast as the CPU allows, and the
// child prints its call traces and a few counts for the parent to match.
#include "shell/app.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_dsound.h"
#include "platform/testing_win32.h"

namespace {

int Count(const std::vector<std::string>& trace, const std::string& prefix) {
  int count = 0;
  for (const std::string& line : trace) count += line.rfind(prefix, 0) == 0 ? 1 : 0;
  return count;
}

// In the child: arranges the hooks, runs the main body, prints the win32 trace (one call a
// line, "win32: "), the counts the tests match and "boxes: <text>|<text>|", then exits with
// RunApplication's result.
[[noreturn]] void RunInChild(const std::function<void()>& arrange) {
  d3d9test::ResetHooks();
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}, {800, 600, 60, D3DFMT_X8R8G8B8}});
  DsoundTestSetBackend(DsoundTestBackend::kDrain);
  TestCaptureMessageBoxes(true);
  arrange();
  TestWin32TraceStart();
  d3d9test::SetTrace(true);
  const int32_t result = RunApplication();
  const std::vector<std::string> win32 = TestWin32TraceStop();
  for (const std::string& line : win32) std::fprintf(stderr, "win32: %s\n", line.c_str());
  std::fprintf(stderr, "windows=%d devices=%d timer=%d threads=%d presents=%s\n",
               Count(win32, "CreateWindowExA("), Count(d3d9test::Trace(), "CreateDevice("),
               Count(win32, "timeBeginPeriod("), Count(win32, "CreateThread("),
               Count(d3d9test::Trace(), "Present(") > 0 ? "some" : "none");
  std::string boxes;
  for (const TestMessageBox& box : TestCapturedMessageBoxes()) boxes += box.text + "|";
  std::fprintf(stderr, "boxes: %s\n", boxes.c_str());
  std::fflush(stderr);
  std::exit(result);
}

class MainBody : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  }
};

constexpr int kExitFailed = 255;  // -1 as the process reports it

// The order that matters, across one run that the song's end finishes: the dialog, the
// window, the timer resolution, the sequencer thread, then shutdown in reverse.
TEST_F(MainBody, SongEndRunsStartUpLoopAndShutDownInOrder) {
  EXPECT_EXIT(RunInChild([] {
                TestScriptDialog({{TestDialogActionKind::kToggle}, {TestDialogActionKind::kOk}});
              }),
              ::testing::ExitedWithCode(0),
              "win32: DialogBoxParamA\\(101\\).*"
              "win32: RegisterClassA\\(w\\).*"
              "win32: CreateWindowExA\\(w, 0x00CF0000, 0, 0, 648, 511\\).*"
              "win32: SetWindowTextA\\(Halvex v2\\).*"
              "win32: timeBeginPeriod\\(1\\).*"
              "win32: CreateThread.*"
              "win32: timeEndPeriod\\(1\\).*"
              "win32: WaitForSingleObject\\(4294967295\\).*"
              "win32: CloseHandle.*"
              "win32: DestroyWindow.*"
              "win32: UnregisterClassA\\(w\\).*"
              "windows=1 devices=1 timer=1 threads=1 presents=some\n"
              "boxes: \n");
}

// Cancel and closing the dialog end the run with -1 before any window exists.
TEST_F(MainBody, CancelledDialogEndsWithoutAWindow) {
  for (TestDialogActionKind kind : {TestDialogActionKind::kCancel, TestDialogActionKind::kClose}) {
    EXPECT_EXIT(RunInChild([kind] {
                  TestScriptDialog({{TestDialogActionKind::kSelect, 1}, {kind}});
                }),
                ::testing::ExitedWithCode(kExitFailed),
                "windows=0 devices=0 timer=0 threads=0 presents=none\nboxes: \n");
  }
}

// Each start-up failure shows its one box and ends the run with -1, without shutdown work:
// no timer period, no thread, and nothing unregistered beyond what the failing step undid.
TEST_F(MainBody, StartUpFailuresEndWithTheirBox) {
  struct Case {
    std::function<void()> arrange;
    const char* made;  // windows and devices asked for, as the child counts them
    const char* box;
  };
  const std::vector<Case> cases = {
      {[] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); }, "windows=0 devices=0",
       "Could not create D3D object!"},
      {[] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); }, "windows=0 devices=0",
       "Could not get graphics card capabilities!"},
      {[] { d3d9test::SetShaderVersions(0xFFFE0101, 0xFFFF0104); }, "windows=0 devices=0",
       "You need at least a shader model 2.0 compatible graphics card!"},
      {[] { d3d9test::SetAdapterModes({}); }, "windows=0 devices=0",
       "Your graphics card doesn't support the X8R8G8B8 format!"},
      {[] {
         TestScriptDialog({{TestDialogActionKind::kToggle}, {TestDialogActionKind::kOk}});
         TestWin32FailCall("CreateWindowExA");
       },
       "windows=1 devices=0", "Could not create window!"},
      {[] {
         TestScriptDialog({{TestDialogActionKind::kOk}});
         d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
       },
       "ChangeDisplaySettingsA\\(null, 0\\).*windows=1 devices=1", "Could not create D3D device!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    EXPECT_EXIT(
        RunInChild(c.arrange), ::testing::ExitedWithCode(kExitFailed),
        std::string(c.made) + " timer=0 threads=0 presents=none\nboxes: " + c.box + "\\|\n");
  }
}

}  // namespace
