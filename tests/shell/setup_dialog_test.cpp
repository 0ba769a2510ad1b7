// The setup dialog through the scripted dialog: the real dialog procedure and control routing,
// no window (the real dialog's keys are the platform suite's and the program test's).
#include <gtest/gtest.h>

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
  uint32_t width, height;
  uint8_t fullScreen;
  bool operator==(const SetupResult&) const = default;
};

class SetupDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    modes_ = ListCreate();
    for (auto [w, h] : {std::pair{640u, 480u}, {800u, 600u}, {1024u, 768u}, {1280u, 1024u}})
      ListAppend(*modes_, DisplayModeCreate(w, h));
  }
  void TearDown() override {
    for (DisplayMode* mode : ListItems<DisplayMode>(*modes_)) crt::AlignedDelete(mode);
    ListDestroy(modes_);
  }
  SetupResult Run(List* modes) {
    SetupResult result{};
    result.code = RunSetupDialog(modes, &result.width, &result.height, &result.fullScreen);
    return result;
  }
  List* modes_ = nullptr;
};

// Ok gives the selected mode (the last selection counts, the first mode untouched) and full
// screen unless "Run windowed" was last checked; Cancel and Close give 2 with the outputs
// filled; a dialog that cannot open gives -1 and the first mode; an empty list the fallback.
TEST_F(SetupDialog, ActionsGiveTheirCodeModeAndScreen) {
  struct Row {
    std::vector<TestDialogAction> actions;
    SetupResult expected;
  };
  const Row rows[] = {
      {{{Action::kOk}}, {1, 640, 480, 1}},
      {{{Action::kSelect, 2}, {Action::kOk}}, {1, 1024, 768, 1}},
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
    EXPECT_EQ(Run(modes_), rows[i].expected) << "row " << i;
  }
  TestWin32FailCall("DialogBoxParamA");
  EXPECT_EQ(Run(modes_), (SetupResult{-1, 640, 480, 1}));
  TestWin32ClearFaults();
  List* empty = ListCreate();
  TestScriptDialog({{Action::kSelect, 0}, {Action::kOk}});
  EXPECT_EQ(Run(empty), (SetupResult{1, kFallbackModeWidth, kFallbackModeHeight, 1}));
  ListDestroy(empty);
}

}  // namespace
