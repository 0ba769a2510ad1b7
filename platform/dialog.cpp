#include "platform/dialog.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/dialog_internal.h"
#include "platform/kernel32.h"

namespace {

// ---- Control lookup ---------------------------------------------------------------------

DialogRecord* RunningDialog(HWND window) {
  if (!Win32IsAlive(window) || window->kind != WindowKind::kDialog) return nullptr;
  return window->dialog;
}

DialogControl* ControlById(DialogRecord& dialog, int id) {
  for (DialogControl& control : dialog.controls) {
    if (control.item->id == id) return &control;
  }
  return nullptr;
}

DWORD ButtonType(const DialogControl& control) { return control.item->style & BS_TYPEMASK; }

bool IsDefaultButton(const DialogControl& control) {
  return DialogIsPushButton(control) && ButtonType(control) == BS_DEFPUSHBUTTON;
}

}  // namespace

DialogControl* DialogControlOf(HWND window) {
  if (!Win32IsAlive(window) || window->kind != WindowKind::kControl) return nullptr;
  return &window->dialog->controls[window->controlIndex];
}

DialogControl* DialogFirstControl(DialogRecord& dialog, bool (*matches)(const DialogControl&)) {
  for (DialogControl& control : dialog.controls) {
    if (matches(control)) return &control;
  }
  return nullptr;
}

bool DialogIsListBox(const DialogControl& control) {
  return control.item->controlClass == DialogControlClass::kListBox;
}

bool DialogIsCheckBox(const DialogControl& control) {
  return control.item->controlClass == DialogControlClass::kButton &&
         ButtonType(control) == BS_AUTOCHECKBOX;
}

bool DialogIsPushButton(const DialogControl& control) {
  return control.item->controlClass == DialogControlClass::kButton &&
         (ButtonType(control) == BS_PUSHBUTTON || ButtonType(control) == BS_DEFPUSHBUTTON);
}

// ---- Routing of user input to the dialog procedure --------------------------------------
// Real GTK signals and scripted actions both end here, so both drive the procedure alike.

void DialogRouteCommand(DialogRecord& dialog, WORD id, WORD notification) {
  if (dialog.ended) return;
  const DialogControl* control = ControlById(dialog, id);
  const LPARAM controlHandle = control != nullptr ? reinterpret_cast<LPARAM>(control->handle) : 0;
  dialog.procedure(dialog.handle, WM_COMMAND, MAKEWPARAM(id, notification), controlHandle);
}

void DialogRouteClose(DialogRecord& dialog) {
  if (dialog.ended) return;
  const bool handled = dialog.procedure(dialog.handle, WM_CLOSE, 0, 0);
  if (!handled) DialogRouteCommand(dialog, IDCANCEL, BN_CLICKED);
}

// Enter: the focused push button, else the default push button, else IDOK.
void DialogRouteEnter(DialogRecord& dialog) {
  const DialogControl* focused = DialogControlOf(dialog.focus);
  if (focused != nullptr && DialogIsPushButton(*focused)) {
    DialogRouteCommand(dialog, focused->item->id, BN_CLICKED);
    return;
  }
  const DialogControl* defaultButton = DialogFirstControl(dialog, IsDefaultButton);
  DialogRouteCommand(dialog, defaultButton != nullptr ? defaultButton->item->id : IDOK, BN_CLICKED);
}

void DialogUserSetsCheck(DialogRecord& dialog, DialogControl& control, bool checked) {
  control.checked = checked;
  DialogRouteCommand(dialog, control.item->id, BN_CLICKED);
}

void DialogUserSelects(DialogRecord& dialog, DialogControl& control, int index) {
  if (index < 0 || index >= static_cast<int>(control.listItems.size())) return;
  if (index == control.selection) return;
  control.selection = index;
  if (control.item->style & LBS_NOTIFY) DialogRouteCommand(dialog, control.item->id, LBN_SELCHANGE);
}

namespace {

// ---- Scripted dialog --------------------------------------------------------------------

void PlayAction(DialogRecord& dialog, const TestDialogAction& action) {
  switch (action.kind) {
    case TestDialogActionKind::kSelect:
      if (DialogControl* list = DialogFirstControl(dialog, DialogIsListBox)) {
        DialogUserSelects(dialog, *list, action.item);
      }
      break;
    case TestDialogActionKind::kToggle:
      if (DialogControl* box = DialogFirstControl(dialog, DialogIsCheckBox)) {
        DialogUserSetsCheck(dialog, *box, !box->checked);
      }
      break;
    case TestDialogActionKind::kOk: DialogRouteEnter(dialog); break;
    case TestDialogActionKind::kCancel: DialogRouteCommand(dialog, IDCANCEL, BN_CLICKED); break;
    case TestDialogActionKind::kClose: DialogRouteClose(dialog); break;
  }
}

INT_PTR RunScripted(DialogRecord& dialog, const std::vector<TestDialogAction>& actions) {
  for (const TestDialogAction& action : actions) {
    if (dialog.ended) break;
    PlayAction(dialog, action);
  }
  return dialog.ended ? dialog.result : -1;
}

// ---- Dialog lifetime --------------------------------------------------------------------

std::unique_ptr<DialogRecord> NewDialog(const DialogTemplate& dialogTemplate, DLGPROC procedure) {
  auto dialog = std::make_unique<DialogRecord>();
  dialog->dialogTemplate = &dialogTemplate;
  dialog->procedure = procedure;
  dialog->handle = Win32NewWindow(WindowKind::kDialog);
  dialog->handle->dialog = dialog.get();
  dialog->controls.resize(dialogTemplate.itemCount);
  for (int i = 0; i < dialogTemplate.itemCount; ++i) {
    DialogControl& control = dialog->controls[i];
    control.item = &dialogTemplate.items[i];
    control.handle = Win32NewWindow(WindowKind::kControl);
    control.handle->dialog = dialog.get();
    control.handle->controlIndex = i;
  }
  return dialog;
}

void RetireHandles(DialogRecord& dialog) {
  dialog.handle->alive = false;
  for (DialogControl& control : dialog.controls) control.handle->alive = false;
}

// ---- Control messages -------------------------------------------------------------------

LRESULT ListBoxMessage(DialogControl& control, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool inRange = wParam < control.listItems.size();
  switch (message) {
    case LB_ADDSTRING: {
      const char* text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      control.listItems.push_back({text, 0});
      if (control.widget != nullptr) DialogGtkAddListItem(control, text);
      return static_cast<LRESULT>(control.listItems.size() - 1);
    }
    case LB_SETITEMDATA:
      if (!inRange) return LB_ERR;
      control.listItems[wParam].data = lParam;
      return 0;
    case LB_GETCURSEL: return control.selection >= 0 ? control.selection : LB_ERR;
    case LB_GETITEMDATA: return inRange ? control.listItems[wParam].data : LB_ERR;
    default: return 0;
  }
}

}  // namespace

// ---- Templates --------------------------------------------------------------------------

const DialogTemplate* FindDialogResource(WORD resourceId) {
  for (int i = 0; i < kDialogResourceCount; ++i) {
    if (kDialogResources[i]->resourceId == resourceId) return kDialogResources[i];
  }
  return nullptr;
}

int DialogUnitsToPixelsX(int x, int baseWidth) { return MulDiv(x, baseWidth, 4); }

int DialogUnitsToPixelsY(int y, int baseHeight) { return MulDiv(y, baseHeight, 8); }

// ---- Calls ------------------------------------------------------------------------------

INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC procedure, LPARAM initParam) {
  const uintptr_t resourceId = reinterpret_cast<uintptr_t>(templateName);
  Win32Trace("DialogBoxParamA(%lu)", static_cast<unsigned long>(resourceId));
  const DialogTemplate* dialogTemplate =
      resourceId <= 0xFFFF ? FindDialogResource(static_cast<WORD>(resourceId)) : nullptr;
  std::vector<TestDialogAction> script;
  const bool scripted = Win32TakeDialogScript(&script);
  if (dialogTemplate == nullptr || procedure == nullptr || Win32ShouldFail("DialogBoxParamA") ||
      (!scripted && !DialogGtkReady())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  std::unique_ptr<DialogRecord> dialog = NewDialog(*dialogTemplate, procedure);
  if (!scripted) DialogGtkBuild(*dialog);
  const BOOL focusFirst = static_cast<BOOL>(procedure(dialog->handle, WM_INITDIALOG, 0, initParam));
  INT_PTR result = dialog->result;
  if (scripted) {
    result = RunScripted(*dialog, script);
  } else if (!dialog->ended) {
    result = DialogGtkRun(*dialog, focusFirst);
  } else {
    DialogGtkDestroy(*dialog);
  }
  RetireHandles(*dialog);
  return result;
}

BOOL EndDialog(HWND dialogHandle, INT_PTR result) {
  Win32Trace("EndDialog(%ld)", static_cast<long>(result));
  DialogRecord* dialog = RunningDialog(dialogHandle);
  if (dialog == nullptr || dialog->ended) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  dialog->ended = true;
  dialog->result = result;
  return TRUE;
}

HWND SetFocus(HWND window) {
  Win32Trace("SetFocus");
  DialogControl* control = DialogControlOf(window);
  if (control == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  DialogRecord& dialog = *window->dialog;
  const HWND previous = dialog.focus;
  dialog.focus = window;
  if (control->widget != nullptr) DialogGtkFocus(*control);
  return previous;
}

HWND GetDlgItem(HWND dialogHandle, int id) {
  DialogRecord* dialog = RunningDialog(dialogHandle);
  DialogControl* control = dialog != nullptr ? ControlById(*dialog, id) : nullptr;
  return control != nullptr ? control->handle : nullptr;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  return SendMessageA(GetDlgItem(dialog, id), message, wParam, lParam);
}

LRESULT DialogSendMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window->kind == WindowKind::kDialog) {
    return window->dialog->procedure(window, message, wParam, lParam);
  }
  DialogControl& control = *DialogControlOf(window);
  if (DialogIsListBox(control)) return ListBoxMessage(control, message, wParam, lParam);
  if (message == BM_GETCHECK) return control.checked ? BST_CHECKED : BST_UNCHECKED;
  return 0;
}
