// The main body in a child process of its own (it keeps process-wide state and never frees the
// Device), with the dialog scripted; the run to the song's end is the program test's.
#include "shell/app.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/d3d9.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "platform/testing_win32.h"
#include "tests/shell/shell_test_support.h"

namespace {

using shelltest::RunMainBodyInChild;

constexpr int kExitFailed = 255;  // -1 as the process reports it

class MainBody : public ::testing::Test {
 protected:
  void SetUp() override {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (!Win32InitVideo()) GTEST_SKIP() << "no display";
  }
};

// Cancel and closing the dialog, and each start-up failure (with its one box), end the run
// with -1 before any frame: no sequencer thread, and a failing window or device gives the
// display mode back.
TEST_F(MainBody, CancelAndStartUpFailuresEndWithMinusOne) {
  using Action = TestDialogActionKind;
  struct Case {
    std::function<void()> arrange;
    const char* windows;  // CreateWindowExA calls, with what the trace shows before
    const char* box;      // empty: none
  };
  const auto fullScreen = [] { TestScriptDialog({{Action::kOk}}); };
  const std::vector<Case> cases = {
      {[] {
         TestScriptDialog({{Action::kSelect, 1}, {Action::kCancel}});
       },
       "windows=0", ""},
      {[] { TestScriptDialog({{Action::kClose}}); }, "windows=0", ""},
      {[] { d3d9test::FailCall("Direct3DCreate9", D3DERR_NOTAVAILABLE); }, "windows=0",
       "Could not create D3D object!\\|"},
      {[] { d3d9test::FailCall("GetDeviceCaps", D3DERR_INVALIDCALL); }, "windows=0",
       "Could not get graphics card capabilities!\\|"},
      {[] { d3d9test::SetShaderVersions(0xFFFE0101, 0xFFFF0104); }, "windows=0",
       "You need at least a shader model 2.0 compatible graphics card!\\|"},
      {[] { d3d9test::SetAdapterModes({}); }, "windows=0",
       "Your graphics card doesn't support the X8R8G8B8 format!\\|"},
      {[&] {
         fullScreen();
         TestWin32FailCall("CreateWindowExA");
       },
       "ChangeDisplaySettingsA\\(null, 0\\).*windows=1", "Could not create window!\\|"},
      {[&] {
         fullScreen();
         d3d9test::FailCall("CreateDevice", D3DERR_NOTAVAILABLE);
       },
       "ChangeDisplaySettingsA\\(null, 0\\).*windows=1", "Could not create D3D device!\\|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.box);
    EXPECT_EXIT(RunMainBodyInChild(c.arrange), ::testing::ExitedWithCode(kExitFailed),
                std::string(c.windows) + " threads=0 pictures=none\nboxes: " + c.box + "\n");
  }
}

}  // namespace
