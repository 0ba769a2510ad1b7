#include "tools/dialog_compiler/dialog_compiler.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

constexpr const char* kGood = R"(# a comment line
dialog 7 0 0 100 50 "Say \"hi\" \\ bye"   # trailing comment
  style WS_POPUP | WS_CAPTION | 0x4
  font 9 700 1 "Face"
  control IDOK button "OK" 10 10 40 14 BS_DEFPUSHBUTTON | WS_VISIBLE
  control 12 listbox "" 0 0 100 50 LBS_NOTIFY
end
)";

// kGood with its line `n` (1-based; 8 is after the last) replaced by `line`.
std::string WithLine(size_t n, const std::string& line) {
  std::string text = kGood;
  size_t start = 0;
  while (--n) start = text.find('\n', start) + 1;
  return text.replace(start, text.find('\n', start) - start, line);
}

// Each row breaks one line of a source that parses: the fault names its line and keeps nothing.
TEST(DialogCompilerParse, FaultsNameTheLineAndWhatIsWrong) {
  std::vector<DialogSource> dialogs;
  std::string error;
  ASSERT_TRUE(ParseDialogSource(kGood, "test.dlg", &dialogs, &error)) << error;
  // {line replaced, its new text, the fault after "test.dlg:"}
  const std::tuple<size_t, const char*, const char*> cases[] = {
      {3, "style WS_POPUP | WS_NOSUCH", "3: unknown style WS_NOSUCH"},
      {3, "style WS_POPUP WS_CAPTION", "3: style must be '|' between flags"},
      {4, "font 9 700 1 \"Face", "4: unterminated string"},
      {5, "control IDOK button \"OK\" 10 10 40", "5: missing height"},
      {5, "control IDOK combo \"OK\" 10 10 40 14 0", "5: unknown control class combo"},
      {5, "control 12 button \"OK\" 10 10 40 14 0", "6: duplicate control id"},
      {5, "control IDOK button \"OK\" 70 10 40 14 0", "5: control lies outside its dialog"},
      {5, "control 0x10000 button \"OK\" 1 1 4 4 0", "5: control id must be within 1..65535"},
      {2, "dialog 7 0 0 100 50 \"T\" more", "2: extra operand more"},
      {2, "frame 7", "2: statement outside a dialog: frame"},
      {4, "# no font", "7: dialog without font"},
      {7, "dialog 8 0 0 10 10 \"T\"", "7: dialog inside a dialog (missing end)"},
      {7, "", "8: dialog without end"},
      {8, kGood, "9: duplicate dialog id"},
  };
  for (const auto& [line, text, want] : cases) {
    dialogs.clear();
    EXPECT_FALSE(ParseDialogSource(WithLine(line, text), "test.dlg", &dialogs, &error));
    EXPECT_EQ(error, std::string("test.dlg:") + want);
    EXPECT_TRUE(dialogs.empty()) << want;  // nothing of a faulty source is kept
  }
}

}  // namespace
