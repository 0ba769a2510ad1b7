// The GTK dialog driven by real X key events (under Xvfb): the focus order, the keys and the
// close button reach the dialog procedure as the setup dialog expects them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/testing_win32.h"

namespace {

constexpr int kList = 1003, kCheck = 1002;

struct Heard {
  UINT message;
  WORD id, notification;
  LRESULT selection, check;  // LB_GETCURSEL and BM_GETCHECK when the message arrived
};

std::vector<Heard> g_heard;

// Adds three items; ends with 100 on OK, 200 on Cancel, 300 on close.
INT_PTR RecordingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  g_heard.push_back({message, LOWORD(wParam), HIWORD(wParam),
                     SendDlgItemMessageA(dialog, kList, LB_GETCURSEL, 0, 0),
                     SendDlgItemMessageA(dialog, kCheck, BM_GETCHECK, 0, 0)});
  if (message == WM_INITDIALOG) {
    for (const char* item : {"item 0", "item 1", "item 2"})
      SendDlgItemMessageA(dialog, kList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    SetFocus(GetDlgItem(dialog, kList));
  } else if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) <= IDCANCEL)) {
    EndDialog(dialog, message == WM_CLOSE ? 300 : LOWORD(wParam) == IDOK ? 100 : 200);
    return TRUE;
  }
  return message == WM_COMMAND;
}

using Commands = std::vector<std::pair<WORD, WORD>>;

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
// means the default button unless a push button has the focus. An empty row: the close button.
TEST_P(DialogGtk, KeysSelectToggleAndAnswer) {
  if (!std::getenv("DISPLAY") || std::system("xdotool version >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no display or no xdotool";
  const KeyRow& row = GetParam();
  // xdotool types the keys; without keys the watchdog presses the close button.
  TestDialogWatchdog(*row.keys ? 20000 : 300);
  if (*row.keys) TestDialogKeys(row.keys);
  g_heard.clear();
  EXPECT_EQ(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(101), nullptr, RecordingDialogProc, 0),
            row.result);
  TestDialogWatchdog(0);
  Commands commands;
  for (const Heard& h : g_heard)
    if (h.message == WM_COMMAND) commands.emplace_back(h.id, h.notification);
  ASSERT_EQ(commands, row.commands);
  ASSERT_GE(g_heard.size(), 2u);
  EXPECT_EQ(g_heard[1].selection, row.firstSelection);
  EXPECT_EQ(g_heard[1].check, row.firstCheck);
  EXPECT_EQ(g_heard.back().selection, row.lastSelection);
  EXPECT_EQ(g_heard.back().message, UINT(*row.keys ? WM_COMMAND : WM_CLOSE));
}

constexpr std::pair<WORD, WORD> kSelect{kList, LBN_SELCHANGE}, kToggle{kCheck, BN_CLICKED},
    kOk{IDOK, BN_CLICKED}, kCancel{IDCANCEL, BN_CLICKED};

INSTANTIATE_TEST_SUITE_P(
    Keys, DialogGtk,
    ::testing::Values(
        KeyRow{"Down Down Return", 100, {kSelect, kSelect, kOk}, 0, BST_UNCHECKED, 1},
        KeyRow{"Tab Tab Tab space Return", 100, {kToggle, kOk}, LB_ERR, BST_CHECKED, LB_ERR},
        KeyRow{"Tab Tab Return", 200, {kCancel}, LB_ERR, BST_UNCHECKED, LB_ERR},
        KeyRow{"", 300, {}, LB_ERR, BST_UNCHECKED, LB_ERR}));

}  // namespace
