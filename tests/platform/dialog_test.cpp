// The dialog stand-in: scripted dialogs through the real message routing, and the GTK dialog
// driven by real X key events (under Xvfb).
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/kernel32.h"
#include "platform/testing_win32.h"

namespace {

constexpr int kList = 1003;
constexpr int kCheck = 1002;

struct Heard {
  UINT message;
  WORD id;
  WORD notification;
  LPARAM lParam;
  LRESULT selection;  // LB_GETCURSEL when the command arrived
  LRESULT check;      // BM_GETCHECK when the command arrived
  LRESULT data;       // LB_GETITEMDATA of the selected item then
};

std::vector<Heard> g_heard;
bool g_handleClose = true;

// Adds three items with data 10, 11, 12; ends on OK, Cancel and (when handled) close.
INT_PTR RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT selection = SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0);
  const LRESULT check = SendDlgItemMessageA(dialog, kCheck, BM_GETCHECK, 0, 0);
  const LRESULT data = SendDlgItemMessageA(dialog, kList, LB_GETITEMDATA, selection, 0);
  g_heard.push_back({message, LOWORD(wParam), HIWORD(wParam), lParam, selection, check, data});
  switch (message) {
    case WM_INITDIALOG:
      for (int i = 0; i < 3; ++i) {
        const std::string text = "item " + std::to_string(i);
        const LRESULT index = SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0,
                                                  reinterpret_cast<LPARAM>(text.c_str()));
        SendDlgItemMessageA(dialog, kList, LB_SETITEMDATA, index, 10 + i);
      }
      SetFocus(GetDlgItem(dialog, kList));
      return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, LOWORD(wParam) == IDOK ? 100 : 200);
      }
      return TRUE;
    case WM_CLOSE:
      if (!g_handleClose) return FALSE;
      EndDialog(dialog, 300);
      return TRUE;
    default: return FALSE;
  }
}

INT_PTR RunDialog(LPARAM initParam = 0) {
  g_heard.clear();
  return DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, RecordingDialogProc, initParam);
}

INT_PTR RunScripted(std::vector<TestDialogAction> actions) {
  TestScriptDialog(std::move(actions));
  return RunDialog();
}

using Commands = std::vector<std::pair<WORD, WORD>>;

Commands HeardCommands() {
  Commands commands;
  for (const Heard& heard : g_heard) {
    if (heard.message == WM_COMMAND) commands.emplace_back(heard.id, heard.notification);
  }
  return commands;
}

using Action = TestDialogActionKind;

TEST(DialogScripted, InitComesFirstWithTheParameterAndOkEnds) {
  EXPECT_EQ(RunScripted({{Action::kOk}}), 100);
  ASSERT_EQ(g_heard.size(), 2u);
  EXPECT_EQ(g_heard[0].message, WM_INITDIALOG);
  EXPECT_EQ(g_heard[0].selection, LB_ERR);  // the list starts without a selection
  EXPECT_EQ(g_heard[0].check, BST_UNCHECKED);
  EXPECT_EQ(HeardCommands(), (Commands{{IDOK, BN_CLICKED}}));
  TestScriptDialog({});
  EXPECT_EQ(RunDialog(0x1234), -1);  // a script that never ends the dialog
  EXPECT_EQ(g_heard[0].lParam, 0x1234);
}

TEST(DialogScripted, SelectionAndCheckBoxNotifyWithTheirNewState) {
  EXPECT_EQ(RunScripted({{Action::kSelect, 2},
                         {Action::kToggle},
                         {Action::kSelect, 2},
                         {Action::kSelect, 7},
                         {Action::kToggle},
                         {Action::kSelect, 0},
                         {Action::kCancel}}),
            200);
  // Selecting the selected item again or an item that does not exist says nothing.
  const Commands expected{{kList, LBN_SELCHANGE},
                          {kCheck, BN_CLICKED},
                          {kCheck, BN_CLICKED},
                          {kList, LBN_SELCHANGE},
                          {IDCANCEL, BN_CLICKED}};
  EXPECT_EQ(HeardCommands(), expected);
  ASSERT_EQ(g_heard.size(), 6u);
  EXPECT_EQ(g_heard[1].selection, 2);
  EXPECT_EQ(g_heard[1].data, 12);  // the item's index came from LB_ADDSTRING
  EXPECT_EQ(g_heard[2].check, BST_CHECKED);
  EXPECT_EQ(g_heard[3].check, BST_UNCHECKED);
  EXPECT_EQ(g_heard[4].selection, 0);
  // The command's lParam is the control's handle.
  EXPECT_NE(g_heard[1].lParam, 0);
  EXPECT_NE(g_heard[1].lParam, g_heard[2].lParam);
}

TEST(DialogScripted, CloseGoesToTheProcedureOrBecomesCancel) {
  g_handleClose = true;
  EXPECT_EQ(RunScripted({{Action::kClose}, {Action::kOk}}), 300);
  EXPECT_TRUE(HeardCommands().empty());  // actions after the end are dropped
  g_handleClose = false;
  EXPECT_EQ(RunScripted({{Action::kClose}}), 200);
  g_handleClose = true;
  EXPECT_EQ(HeardCommands(), (Commands{{IDCANCEL, BN_CLICKED}}));
}

TEST(DialogBox, UnknownResourceAndNullProcedureGiveMinusOne) {
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(999), nullptr, RecordingDialogProc, 0), -1);
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, nullptr, 0), -1);
}

TEST(DialogUnits, ScaleByTheFontBaseUnitsRoundingHalfAway) {
  // A 6 x 13 pixel font: the setup dialog's 186 x 90 units are 279 x 146 pixels.
  const int rows[][4] = {{186, 90, 279, 146}, {7, 4, 11, 7}, {0, 0, 0, 0}};  // 10.5, 6.5 round up
  for (const auto& r : rows) {
    EXPECT_EQ(DialogUnitsToPixelsX(r[0], 6), r[2]);
    EXPECT_EQ(DialogUnitsToPixelsY(r[1], 13), r[3]);
  }
}

}  // namespace

namespace {

bool HaveRealDialogs() {
  return std::getenv("DISPLAY") != nullptr && std::system("xdotool version >/dev/null 2>&1") == 0;
}

// Runs the real dialog while xdotool types `keys`; a watchdog closes it if they go astray.
INT_PTR RunWithKeys(const std::string& keys) {
  TestDialogWatchdog(20000);
  TestDialogKeys(keys.c_str());
  const INT_PTR result = RunDialog();
  TestDialogWatchdog(0);
  return result;
}

struct KeyRow {
  const char* keys;
  INT_PTR result;
  Commands commands;
  LRESULT firstSelection, firstCheck, lastSelection;  // as the commands arrived
};

void PrintTo(const KeyRow& row, std::ostream* out) { *out << row.keys; }

// One real dialog per process: each row is a test of its own.
class DialogGtk : public ::testing::TestWithParam<KeyRow> {};

// The focus starts on the list; Tab walks the template's order: OK, Cancel, check box. Enter
// means the default button unless a push button has the focus.
TEST_P(DialogGtk, KeysSelectToggleAndAnswer) {
  if (!HaveRealDialogs()) GTEST_SKIP() << "no display or no xdotool";
  const KeyRow& row = GetParam();
  EXPECT_EQ(RunWithKeys(row.keys), row.result);
  ASSERT_EQ(HeardCommands(), row.commands);
  EXPECT_EQ(g_heard[1].selection, row.firstSelection);
  EXPECT_EQ(g_heard[1].check, row.firstCheck);
  EXPECT_EQ(g_heard.back().selection, row.lastSelection);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogGtk,
    ::testing::Values(
        KeyRow{"Down Down Return",
               100,
               {{kList, LBN_SELCHANGE}, {kList, LBN_SELCHANGE}, {IDOK, BN_CLICKED}},
               0,
               BST_UNCHECKED,
               1},
        KeyRow{"Tab Tab Tab space Return",
               100,
               {{kCheck, BN_CLICKED}, {IDOK, BN_CLICKED}},
               LB_ERR,
               BST_CHECKED,
               LB_ERR},
        KeyRow{"Tab Tab Return", 200, {{IDCANCEL, BN_CLICKED}}, LB_ERR, BST_UNCHECKED, LB_ERR},
        KeyRow{"Escape", 200, {{IDCANCEL, BN_CLICKED}}, LB_ERR, BST_UNCHECKED, LB_ERR}));

TEST(DialogClose, CloseButtonSendsClose) {
  if (!HaveRealDialogs()) GTEST_SKIP() << "no display or no xdotool";
  TestDialogWatchdog(300);  // closes the window as its title bar's button does
  const INT_PTR result = RunDialog();
  TestDialogWatchdog(0);
  EXPECT_EQ(result, 300);
  ASSERT_FALSE(g_heard.empty());
  EXPECT_EQ(g_heard.back().message, WM_CLOSE);
  EXPECT_TRUE(HeardCommands().empty());
}

}  // namespace
