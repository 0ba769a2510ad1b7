// The setup dialog through the scripted dialog (the real dialog procedure and control
// routing, no window) and once as a real GTK dialog answering a real Enter key.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "math/list.h"
#include "platform/crt.h"
#include "platform/testing_win32.h"
#include "shell/display_mode.h"
#include "shell/setup_dialog.h"

namespace {

using Action = TestDialogActionKind;

struct SetupResult {
  int32_t code;
  uint32_t width;
  uint32_t height;
  uint8_t fullScreen;
};

class SetupDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    modes_ = ListCreate();
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}}) {
      ListAppend(*modes_, DisplayModeCreate(w, h));
    }
  }
  void TearDown() override {
    for (uint32_t i = 0; i < ListCount(*modes_); ++i) {
      crt::AlignedDelete(ListAtAs<DisplayMode>(*modes_, i));
    }
    ListDestroy(modes_);
  }

  SetupResult Run(std::vector<TestDialogAction> actions, List* modes) {
    TestScriptDialog(std::move(actions));
    SetupResult result{};
    result.code = RunSetupDialog(modes, &result.width, &result.height, &result.fullScreen);
    return result;
  }
  SetupResult Run(std::vector<TestDialogAction> actions) { return Run(std::move(actions), modes_); }

  List* modes_ = nullptr;
};

TEST_F(SetupDialog, OkUntouchedGivesTheFirstModeFullScreen) {
  const SetupResult result = Run({{Action::kOk}});
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.width, 640u);
  EXPECT_EQ(result.height, 480u);
  EXPECT_EQ(result.fullScreen, 1);
}

TEST_F(SetupDialog, SelectingItemGivesThatModesSize) {
  for (uint32_t i = 0; i < ListCount(*modes_); ++i) {
    SCOPED_TRACE(i);
    const SetupResult result = Run({{Action::kSelect, static_cast<int>(i)}, {Action::kOk}});
    const DisplayMode* mode = ListAtAs<DisplayMode>(*modes_, i);
    EXPECT_EQ(result.code, 1);
    EXPECT_EQ(result.width, mode->width);
    EXPECT_EQ(result.height, mode->height);
  }
  // The last selection counts.
  const SetupResult result = Run({{Action::kSelect, 3}, {Action::kSelect, 1}, {Action::kOk}});
  EXPECT_EQ(result.width, 800u);
  EXPECT_EQ(result.height, 600u);
}

TEST_F(SetupDialog, TheLastCheckStateOfRunWindowedCounts) {
  EXPECT_EQ(Run({{Action::kToggle}, {Action::kOk}}).fullScreen, 0);
  EXPECT_EQ(Run({{Action::kToggle}, {Action::kToggle}, {Action::kOk}}).fullScreen, 1);
  EXPECT_EQ(
      Run({{Action::kToggle}, {Action::kToggle}, {Action::kToggle}, {Action::kOk}}).fullScreen, 0);
}

TEST_F(SetupDialog, CancelAndCloseGiveTwo) {
  const SetupResult cancelled = Run({{Action::kSelect, 2}, {Action::kCancel}});
  EXPECT_EQ(cancelled.code, 2);
  EXPECT_EQ(cancelled.width, 1024u);  // the outputs are filled whatever the code
  EXPECT_EQ(Run({{Action::kClose}}).code, 2);
  EXPECT_EQ(Run({{Action::kToggle}, {Action::kClose}}).code, 2);
}

TEST_F(SetupDialog, ASecondRunStartsFromWhatItShows) {
  Run({{Action::kSelect, 3}, {Action::kToggle}, {Action::kOk}});
  const SetupResult again = Run({{Action::kOk}});
  EXPECT_EQ(again.width, 640u);
  EXPECT_EQ(again.fullScreen, 1);
}

TEST_F(SetupDialog, EmptyListOkGoesOnAtTheFallbackSize) {
  List* empty = ListCreate();
  const SetupResult result = Run({{Action::kSelect, 0}, {Action::kOk}}, empty);
  ListDestroy(empty);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.width, kFallbackModeWidth);
  EXPECT_EQ(result.height, kFallbackModeHeight);
  EXPECT_EQ(result.fullScreen, 1);
}

TEST_F(SetupDialog, DialogThatCannotOpenReturnsItsErrorAndTheFirstMode) {
  TestWin32FailCall("DialogBoxParamA");
  const SetupResult result = Run({});
  TestWin32ClearFaults();
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.width, 640u);
  EXPECT_EQ(result.fullScreen, 1);
}

TEST_F(SetupDialog, InitFillsTheListAndFocusesIt) {
  TestWin32TraceStart();
  Run({{Action::kOk}});
  const std::vector<std::string> trace = TestWin32TraceStop();
  const std::vector<std::string> expected{"DialogBoxParamA(101)", "SetFocus", "EndDialog(1)"};
  EXPECT_EQ(trace, expected);
}

TEST(DisplayModeText, WidthByHeightBy32) {
  DisplayMode* mode = DisplayModeCreate(800, 600);
  EXPECT_STREQ(mode->text, "800 x 600 x 32");
  EXPECT_EQ(mode->bitsPerPixel, 32u);
  crt::AlignedDelete(mode);
  mode = DisplayModeCreate(2560, 1440);
  EXPECT_STREQ(mode->text, "2560 x 1440 x 32");
  crt::AlignedDelete(mode);
}

TEST_F(SetupDialog, RealDialogAnswersEnterWithOk) {
  if (std::getenv("DISPLAY") == nullptr || std::system("xdotool version >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "no display or no xdotool";
  }
  TestDialogWatchdog(20000);
  TestDialogKeys("Down Down Return");
  SetupResult result{};
  result.code = RunSetupDialog(modes_, &result.width, &result.height, &result.fullScreen);
  TestDialogWatchdog(0);
  EXPECT_EQ(result.code, 1);
  EXPECT_EQ(result.width, 800u);  // the second Down selected the second mode
  EXPECT_EQ(result.height, 600u);
  EXPECT_EQ(result.fullScreen, 1);
}

}  // namespace
