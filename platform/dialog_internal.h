#pragma once
// Shared by the dialog stand-in's two files only (dialog.cpp: records, routing, messages and
// calls; dialog_gtk.cpp: the GTK window): the records of a running dialog and the routing of
// user input to the dialog procedure.

// The stand-in's headers come first: GTK's TRUE and FALSE macros would rewrite their
// constants.
#include "platform/dialog.h"
#include "platform/win32_internal.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

struct ListItem {
  std::string text;
  LPARAM data;
};

struct DialogControl {
  const DialogItemTemplate* item;
  HWND handle;
  GtkWidget* widget = nullptr;  // the focusable widget; null in a scripted dialog
  GtkWidget* frame = nullptr;   // what is placed in the dialog (a list box's scroller)
  bool checked = false;
  std::vector<ListItem> listItems;
  int selection = -1;
};

struct DialogRecord {
  const DialogTemplate* dialogTemplate;
  DLGPROC procedure;
  HWND handle;
  std::vector<DialogControl> controls;
  GtkWidget* window = nullptr;     // null in a scripted dialog
  GtkCssProvider* font = nullptr;  // the template's font for this dialog's widgets
  HWND focus = nullptr;
  bool ended = false;
  INT_PTR result = 0;
};

// The control behind a live control handle; null otherwise.
DialogControl* DialogControlOf(HWND window);
DialogControl* DialogFirstControl(DialogRecord& dialog, bool (*matches)(const DialogControl&));
bool DialogIsListBox(const DialogControl& control);
bool DialogIsCheckBox(const DialogControl& control);
bool DialogIsPushButton(const DialogControl& control);

// User input, from GTK signals and scripted actions alike.
void DialogRouteCommand(DialogRecord& dialog, WORD id, WORD notification);
void DialogRouteClose(DialogRecord& dialog);
void DialogRouteEnter(DialogRecord& dialog);
void DialogUserSetsCheck(DialogRecord& dialog, DialogControl& control, bool checked);
void DialogUserSelects(DialogRecord& dialog, DialogControl& control, int index);

// The GTK side (dialog_gtk.cpp).
bool DialogGtkReady();
void DialogGtkBuild(DialogRecord& dialog);
// Shows the built dialog and runs GTK until the procedure ends it; then destroys it.
INT_PTR DialogGtkRun(DialogRecord& dialog, BOOL focusFirst);
void DialogGtkDestroy(DialogRecord& dialog);
void DialogGtkFocus(DialogControl& control);
void DialogGtkAddListItem(DialogControl& control, const char* text);
