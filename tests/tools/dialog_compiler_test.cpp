#include "tools/dialog_compiler/dialog_compiler.h"

#include <gtest/gtest.h>

#include <string>
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

struct Parsed {
  bool ok;
  std::vector<DialogSource> dialogs;
  std::string error;
};

Parsed Parse(const std::string& text) {
  Parsed parsed;
  parsed.ok = ParseDialogSource(text, "test.dlg", &parsed.dialogs, &parsed.error);
  return parsed;
}

// The source with the line that starts with `prefix` replaced by `line`.
std::string WithLine(const std::string& prefix, const std::string& line) {
  std::string text = kGood;
  const size_t start = text.find(prefix);
  const size_t end = text.find('\n', start);
  return text.replace(start, end - start, line);
}

// Each row breaks one line of a source that parses: the fault names its line and keeps nothing.
TEST(DialogCompilerParse, FaultsNameTheLineAndWhatIsWrong) {
  ASSERT_TRUE(Parse(kGood).ok) << Parse(kGood).error;
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {WithLine("  style", "  style WS_POPUP | WS_NOSUCH"), "test.dlg:3: unknown style WS_NOSUCH"},
      {WithLine("  style", "  style WS_POPUP WS_CAPTION"),
       "test.dlg:3: style must be '|' between flags"},
      {WithLine("  style", "  style WS_POPUP |"), "test.dlg:3: missing style"},
      {WithLine("  font", "  font 9 700 1 \"Face"), "test.dlg:4: unterminated string"},
      {WithLine("  font", "  font 9 700 1 \"F\\ace\""), "test.dlg:4: unknown escape in string"},
      {WithLine("  font", "  font 9 700 1 Face"), "test.dlg:4: face must be a quoted string"},
      {WithLine("  font", "  font 0 700 1 \"Face\""),
       "test.dlg:4: point size must be within 1..72"},
      {WithLine("  control IDOK", "  control IDOK button \"OK\" 10 10 40"),
       "test.dlg:5: missing height"},
      {WithLine("  control IDOK", "  control IDOK combo \"OK\" 10 10 40 14 0"),
       "test.dlg:5: unknown control class combo"},
      {WithLine("  control IDOK", "  control IDOK button \"OK\" 10 10 40 14 0 extra"),
       "test.dlg:5: style must be '|' between flags"},
      {WithLine("  control IDOK", "  control 12 button \"OK\" 10 10 40 14 0"),
       "test.dlg:6: duplicate control id"},
      {WithLine("  control IDOK", "  control IDOK button \"OK\" 70 10 40 14 0"),
       "test.dlg:5: control lies outside its dialog"},
      {WithLine("  control IDOK", "  control 0x10000 button \"OK\" 1 1 4 4 0"),
       "test.dlg:5: control id must be within 1..65535"},
      {WithLine("  control IDOK", "  control 1x button \"OK\" 1 1 4 4 0"),
       "test.dlg:5: control id must be a number"},
      {WithLine("dialog", "dialog 7 0 0 100 50 \"T\" more"), "test.dlg:2: extra operand more"},
      {WithLine("dialog", "frame 7"), "test.dlg:2: statement outside a dialog: frame"},
      {WithLine("  font", "  # no font"), "test.dlg:7: dialog without font"},
      {WithLine("end", "dialog 8 0 0 10 10 \"T\""),
       "test.dlg:7: dialog inside a dialog (missing end)"},
      {WithLine("end", ""), "test.dlg:8: dialog without end"},
      {std::string(kGood) + kGood, "test.dlg:9: duplicate dialog id"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const Parsed parsed = Parse(c.text);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, c.error);
    EXPECT_TRUE(parsed.dialogs.empty());  // nothing of a faulty source is kept
  }
}

}  // namespace
