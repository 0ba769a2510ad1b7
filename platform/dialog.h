#pragma once
// Dialog stand-in over GTK 3: modal dialogs built from dialog templates, their push buttons,
// check boxes and list boxes, and the messages the dialog procedure sends to them. Main
// thread only.
//
// The dialog procedure hears WM_INITDIALOG before the dialog shows, then WM_COMMAND with the
// control id in the low word of wParam and the notification in the high word: BN_CLICKED for
// a button click or a check box toggle, LBN_SELCHANGE when the user selects a list item (list
// boxes with LBS_NOTIFY), the default button's id for Enter (the focused push button's, when
// one has the focus), IDCANCEL for Escape. The title bar's close button sends WM_CLOSE; a
// procedure that does not handle it gets IDCANCEL.

#include "platform/win32.h"

using DLGPROC = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Styles -----------------------------------------------------------------------------
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_SHELLFONT = 0x48;
constexpr DWORD DS_CENTER = 0x800;
constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_TYPEMASK = 0xF;
constexpr DWORD LBS_NOTIFY = 0x1;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x100;

// ---- Control messages and notifications -------------------------------------------------
constexpr WORD BN_CLICKED = 0;
constexpr WORD LBN_SELCHANGE = 1;
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT BST_UNCHECKED = 0;
constexpr LRESULT BST_CHECKED = 1;

// ---- Templates --------------------------------------------------------------------------
enum class DialogControlClass : uint8_t { kButton, kListBox };

// Positions and sizes in dialog units: a horizontal unit is a quarter of the font's average
// character width, a vertical unit an eighth of its height.
struct DialogItemTemplate {
  WORD id;
  DialogControlClass controlClass;
  LPCSTR text;  // "" for none
  int16_t x, y, width, height;
  DWORD style;
};

struct DialogTemplate {
  WORD resourceId;
  LPCSTR title;
  int16_t x, y, width, height;
  DWORD style;
  WORD pointSize;  // font size in points
  WORD weight;     // 400 normal, 700 bold
  BYTE charset;
  LPCSTR faceName;  // the platform's shell dialog face stands for the desktop's sans face
  const DialogItemTemplate* items;
  WORD itemCount;
};

// The program's dialog resources, compiled from data/dialog/ at build time.
extern const DialogTemplate* const kDialogResources[];
extern const int kDialogResourceCount;

// The template of a resource id; null when there is none.
const DialogTemplate* FindDialogResource(WORD resourceId);

// Pixels of a dialog-unit length: MulDiv(x, baseWidth, 4) across, MulDiv(y, baseHeight, 8)
// down, where the base units are the font's average character width (the width of the 52
// letters A-Z a-z over 52, rounded) and its line height in pixels.
int DialogUnitsToPixelsX(int x, int baseWidth);
int DialogUnitsToPixelsY(int y, int baseHeight);

// ---- Calls ------------------------------------------------------------------------------
// Runs the dialog of resource `templateName` (MAKEINTRESOURCEA(id)) modally until the
// procedure calls EndDialog, and returns the value given there. -1 without a display, for an
// unknown resource or a null procedure. `initParam` is WM_INITDIALOG's lParam.
INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC procedure,
                        LPARAM initParam);
// Ends the running dialog with `result` once the procedure returns. FALSE for a handle that
// is not a running dialog.
BOOL EndDialog(HWND dialog, INT_PTR result);
// Moves the keyboard focus to a dialog control; returns the control that had it (null if none).
HWND SetFocus(HWND window);
// The control with that id in a running dialog; null when there is none.
HWND GetDlgItem(HWND dialog, int id);
// SendMessageA to GetDlgItem(dialog, id). List boxes answer LB_ADDSTRING (lParam the text;
// returns the new item's index), LB_SETITEMDATA (wParam the index, lParam the data; 0),
// LB_GETCURSEL (the selected index) and LB_GETITEMDATA (wParam the index; the data), each
// LB_ERR for an index out of range or no selection; buttons answer BM_GETCHECK. Other
// messages give 0.
LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
