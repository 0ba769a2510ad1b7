#include "shell/setup_dialog.h"

#include "shell/display_mode.h"

namespace {

// Kept after the dialog closes: RunSetupDialog reads the choice from here.
struct SetupDialogState {
  List* modes;
  int32_t selected;  // index into modes
  int32_t checked;   // BM_GETCHECK of "Run windowed"
};

SetupDialogState g_setup{};

void FillModeList(HWND dialog) {
  if (!g_setup.modes) return;
  uint32_t index = 0;
  for (const DisplayMode* mode : ListItems<const DisplayMode>(*g_setup.modes)) {
    SendDlgItemMessageA(dialog, kSetupModeList, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(mode->text));
    SendDlgItemMessageA(dialog, kSetupModeList, LB_SETITEMDATA, index, static_cast<LPARAM>(index));
    ++index;
  }
}

INT_PTR OnCommand(HWND dialog, WORD id, WORD notification) {
  switch (id) {
    case IDOK:
    case IDCANCEL: EndDialog(dialog, id); return TRUE;
    case kSetupWindowedCheckBox:
      if (notification != BN_CLICKED) return FALSE;
      g_setup.checked = static_cast<int32_t>(SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0));
      return TRUE;
    case kSetupModeList: {
      if (notification != LBN_SELCHANGE) return FALSE;
      const LRESULT item = SendDlgItemMessageA(dialog, id, LB_GETCURSEL, 0, 0);
      // LB_ERR (-1) names no mode; RunSetupDialog then falls back like for an empty list.
      g_setup.selected = static_cast<int32_t>(
          SendDlgItemMessageA(dialog, id, LB_GETITEMDATA, static_cast<WPARAM>(item), 0));
      return TRUE;
    }
    default: return FALSE;
  }
}

}  // namespace

INT_PTR SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      // What the dialog shows at the start is what it returns if left untouched.
      g_setup.selected = 0;
      g_setup.checked = 0;
      FillModeList(dialog);
      SetFocus(GetDlgItem(dialog, kSetupModeList));
      return FALSE;  // the focus set above stands
    case WM_COMMAND: return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE: EndDialog(dialog, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

int32_t RunSetupDialog(List* modes, uint32_t* width, uint32_t* height, uint8_t* fullScreen) {
  g_setup.modes = modes;
  const INT_PTR result =
      DialogBoxParamA(nullptr, MAKEINTRESOURCEA(kSetupDialogResource), nullptr, SetupDialogProc, 0);
  *fullScreen = g_setup.checked == 0 ? 1 : 0;
  const DisplayMode* mode =
      modes != nullptr && g_setup.selected >= 0
          ? ListAtAs<DisplayMode>(*modes, static_cast<uint32_t>(g_setup.selected))
          : nullptr;
  *width = mode != nullptr ? mode->width : kFallbackModeWidth;
  *height = mode != nullptr ? mode->height : kFallbackModeHeight;
  return static_cast<int32_t>(result);
}
