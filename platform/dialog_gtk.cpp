// The dialog stand-in's GTK window: widgets from the template, signals routed to the dialog
// procedure, the dialog's own keyboard handling, and dialogs driven by tests.
#include "platform/dialog_internal.h"

#include <fcntl.h>
#include <gdk/gdkx.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// ---- Signals ----------------------------------------------------------------------------

void OnButtonClicked(GtkButton*, gpointer data) {
  auto* control = static_cast<DialogControl*>(data);
  DialogRouteCommand(*control->handle->dialog, control->item->id, BN_CLICKED);
}

void OnCheckToggled(GtkToggleButton* button, gpointer data) {
  auto* control = static_cast<DialogControl*>(data);
  DialogUserSetsCheck(*control->handle->dialog, *control, gtk_toggle_button_get_active(button));
}

void OnRowSelected(GtkListBox*, GtkListBoxRow* row, gpointer data) {
  auto* control = static_cast<DialogControl*>(data);
  if (row != nullptr)
    DialogUserSelects(*control->handle->dialog, *control, gtk_list_box_row_get_index(row));
}

void OnFocusChanged(GtkWindow*, GtkWidget* widget, gpointer data) {
  auto* dialog = static_cast<DialogRecord*>(data);
  dialog->focus = nullptr;
  for (DialogControl& control : dialog->controls) {
    // A list box's rows take the focus themselves.
    if (control.widget != nullptr && widget != nullptr &&
        (widget == control.widget || gtk_widget_is_ancestor(widget, control.widget))) {
      dialog->focus = control.handle;
    }
  }
}

// Tab and Shift+Tab walk the WS_TABSTOP controls in template order, wrapping around.
void MoveFocus(DialogRecord& dialog, bool forward) {
  const int count = static_cast<int>(dialog.controls.size());
  const DialogControl* focused = DialogControlOf(dialog.focus);
  int index = focused != nullptr ? focused->handle->controlIndex : (forward ? -1 : count);
  for (int step = 0; step < count; ++step) {
    index = (index + (forward ? 1 : -1) + count) % count;
    if (dialog.controls[index].item->style & WS_TABSTOP) {
      SetFocus(dialog.controls[index].handle);
      return;
    }
  }
}

// Up and Down in a list box move the selection by one item; from no selection they select
// the first item.
void StepSelection(DialogControl& control, int delta) {
  const int count = static_cast<int>(control.listItems.size());
  if (count == 0) return;
  const int target =
      control.selection < 0 ? 0 : std::clamp(control.selection + delta, 0, count - 1);
  GtkListBoxRow* row = gtk_list_box_get_row_at_index(GTK_LIST_BOX(control.widget), target);
  gtk_widget_grab_focus(GTK_WIDGET(row));
  gtk_list_box_select_row(GTK_LIST_BOX(control.widget), row);
}

// Keyboard handling of the dialog as a whole, ahead of the focused widget's own.
gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* dialog = static_cast<DialogRecord*>(data);
  DialogControl* focused = DialogControlOf(dialog->focus);
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: DialogRouteEnter(*dialog); return TRUE;
    case GDK_KEY_Escape: DialogRouteCommand(*dialog, IDCANCEL, BN_CLICKED); return TRUE;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
      MoveFocus(*dialog, event->keyval == GDK_KEY_Tab && !(event->state & GDK_SHIFT_MASK));
      return TRUE;
    case GDK_KEY_space:
      // Toggled at once: GTK's own key activation holds the keyboard for a moment and would
      // swallow a key typed right after.
      if (focused == nullptr || !DialogIsCheckBox(*focused)) return FALSE;
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(focused->widget), !focused->checked);
      return TRUE;
    case GDK_KEY_Up:
    case GDK_KEY_Down:
    case GDK_KEY_KP_Up:
    case GDK_KEY_KP_Down:
      if (focused == nullptr || !DialogIsListBox(*focused)) return FALSE;
      StepSelection(*focused,
                    event->keyval == GDK_KEY_Up || event->keyval == GDK_KEY_KP_Up ? -1 : 1);
      return TRUE;
    default: return FALSE;
  }
}

gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer data) {
  DialogRouteClose(*static_cast<DialogRecord*>(data));
  return TRUE;  // the dialog goes only through EndDialog
}

gboolean OnWatchdog(gpointer data) {
  auto* dialog = static_cast<DialogRecord*>(data);
  std::fprintf(stderr, "halvex: dialog closed by the test watchdog\n");
  gtk_window_close(GTK_WINDOW(dialog->window));
  return G_SOURCE_REMOVE;
}

// ---- Widgets ----------------------------------------------------------------------------

// Average character width and line height of the dialog font, in pixels.
void FontBaseUnits(GtkWidget* window, const DialogTemplate& dialogTemplate, int* baseWidth,
                   int* baseHeight) {
  PangoLayout* layout = gtk_widget_create_pango_layout(
      window, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  PangoFontDescription* font = pango_font_description_new();
  pango_font_description_set_family(font, dialogTemplate.faceName);
  pango_font_description_set_size(font, dialogTemplate.pointSize * PANGO_SCALE);
  pango_font_description_set_weight(font, static_cast<PangoWeight>(dialogTemplate.weight));
  pango_layout_set_font_description(layout, font);
  int width = 0, height = 0;
  pango_layout_get_pixel_size(layout, &width, &height);
  pango_font_description_free(font);
  g_object_unref(layout);
  *baseWidth = std::max(1, (width + 26) / 52);
  *baseHeight = std::max(1, height);
}

// The dialog's own font for every widget in it: the template's face (the desktop's sans face
// when the face is unknown) at the template's size and weight. Removed when the dialog ends.
void ApplyTemplateFont(DialogRecord& dialog) {
  const DialogTemplate& dialogTemplate = *dialog.dialogTemplate;
  gtk_widget_set_name(dialog.window, "halvex-dialog");
  char css[256];
  std::snprintf(css, sizeof css,
                "#halvex-dialog, #halvex-dialog * { font-family: \"%s\", sans-serif; "
                "font-size: %dpt; font-weight: %d; }",
                dialogTemplate.faceName, dialogTemplate.pointSize, dialogTemplate.weight);
  dialog.font = gtk_css_provider_new();
  gtk_css_provider_load_from_data(dialog.font, css, -1, nullptr);
  gtk_style_context_add_provider_for_screen(gtk_widget_get_screen(dialog.window),
                                            GTK_STYLE_PROVIDER(dialog.font),
                                            GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

void MakeButton(DialogControl& control) {
  if (DialogIsCheckBox(control)) {
    control.widget = gtk_check_button_new_with_label(control.item->text);
    g_signal_connect(control.widget, "toggled", G_CALLBACK(OnCheckToggled), &control);
  } else {
    control.widget = gtk_button_new_with_label(control.item->text);
    g_signal_connect(control.widget, "clicked", G_CALLBACK(OnButtonClicked), &control);
  }
  control.frame = control.widget;
}

void MakeListBox(DialogControl& control) {
  control.widget = gtk_list_box_new();
  gtk_list_box_set_selection_mode(GTK_LIST_BOX(control.widget), GTK_SELECTION_SINGLE);
  gtk_list_box_set_activate_on_single_click(GTK_LIST_BOX(control.widget), FALSE);
  g_signal_connect(control.widget, "row-selected", G_CALLBACK(OnRowSelected), &control);
  control.frame = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(
      GTK_SCROLLED_WINDOW(control.frame), GTK_POLICY_NEVER,
      (control.item->style & WS_VSCROLL) ? GTK_POLICY_AUTOMATIC : GTK_POLICY_NEVER);
  if (control.item->style & WS_BORDER) {
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(control.frame), GTK_SHADOW_IN);
  }
  gtk_container_add(GTK_CONTAINER(control.frame), control.widget);
}

// ---- Test-driven dialogs ----------------------------------------------------------------
// Keys typed by a test are real X input, which goes to the window with the keyboard focus.
// Windows that show take the focus (on a display without a window manager), so xdotool gives
// it back to the dialog before each key, and a dialog that is typed into holds a lock file
// that keeps typed dialogs of test processes running side by side from showing together.

struct TestDriver {
  std::string keys;
  int lockFile = -1;
  std::thread typist;
};

void StartTestDriver(DialogRecord& dialog, TestDriver& driver) {
  driver.keys = Win32TakeDialogKeys();
  if (!driver.keys.empty()) {
    driver.lockFile = open("/tmp/halvex-typed-dialog.lock", O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (driver.lockFile >= 0) flock(driver.lockFile, LOCK_EX);
  }
  if (const int watchdogMs = Win32DialogWatchdogMs(); watchdogMs > 0) {
    g_timeout_add(watchdogMs, OnWatchdog, &dialog);
  }
}

// Once the dialog shows: for each key, 100 ms pause, focus to the dialog, the key's press and
// release.
void TypeKeys(GtkWidget* window, TestDriver& driver) {
  if (driver.keys.empty()) return;
  const std::string xid = std::to_string(gdk_x11_window_get_xid(gtk_widget_get_window(window)));
  std::vector<std::string> args{"xdotool", "windowmap", "--sync", xid};
  std::istringstream keys(driver.keys);
  for (std::string key; keys >> key;) {
    args.insert(args.end(),
                {"sleep", "0.1", "windowfocus", "--sync", xid, "key", "--delay", "0", key});
  }
  driver.typist = std::thread([args] {
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    if (posix_spawnp(&child, "xdotool", nullptr, nullptr, argv.data(), environ) != 0) {
      std::fprintf(stderr, "halvex: cannot run xdotool\n");
      return;
    }
    int status = 0;
    waitpid(child, &status, 0);
  });
}

void StopTestDriver(TestDriver& driver) {
  if (driver.typist.joinable()) driver.typist.join();
  if (driver.lockFile >= 0) close(driver.lockFile);  // releases the lock
}

}  // namespace

// ---- The dialog window ------------------------------------------------------------------

bool DialogGtkReady() {
  static const bool ready = [] {
    if (gtk_init_check(nullptr, nullptr)) {
      Win32EndOnDisplayLoss();
      return true;
    }
    std::fprintf(stderr, "halvex: no display for dialogs\n");
    return false;
  }();
  return ready;
}

// Moves the keyboard focus to the control's widget; a list box's focus goes to its selected
// row when it has one.
void DialogGtkFocus(DialogControl& control) {
  GtkWidget* target = control.widget;
  if (DialogIsListBox(control) && control.selection >= 0) {
    target =
        GTK_WIDGET(gtk_list_box_get_row_at_index(GTK_LIST_BOX(control.widget), control.selection));
  }
  gtk_widget_grab_focus(target);
}

void DialogGtkDestroy(DialogRecord& dialog) {
  gtk_style_context_remove_provider_for_screen(gtk_widget_get_screen(dialog.window),
                                               GTK_STYLE_PROVIDER(dialog.font));
  g_object_unref(dialog.font);
  GdkDisplay* display = gtk_widget_get_display(dialog.window);
  gtk_widget_destroy(dialog.window);
  // The window is gone from the screen before the call returns.
  gdk_display_sync(display);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void DialogGtkBuild(DialogRecord& dialog) {
  const DialogTemplate& dialogTemplate = *dialog.dialogTemplate;
  dialog.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWindow* window = GTK_WINDOW(dialog.window);
  gtk_window_set_title(window, dialogTemplate.title);
  gtk_window_set_modal(window, TRUE);
  gtk_window_set_resizable(window, FALSE);
  if (dialogTemplate.style & DS_CENTER) gtk_window_set_position(window, GTK_WIN_POS_CENTER);
  ApplyTemplateFont(dialog);
  int baseWidth = 1, baseHeight = 1;
  FontBaseUnits(dialog.window, dialogTemplate, &baseWidth, &baseHeight);
  GtkWidget* fixed = gtk_fixed_new();
  gtk_widget_set_size_request(fixed, DialogUnitsToPixelsX(dialogTemplate.width, baseWidth),
                              DialogUnitsToPixelsY(dialogTemplate.height, baseHeight));
  gtk_container_add(GTK_CONTAINER(window), fixed);
  for (DialogControl& control : dialog.controls) {
    const DialogItemTemplate& item = *control.item;
    if (DialogIsListBox(control)) {
      MakeListBox(control);
    } else {
      MakeButton(control);
    }
    gtk_widget_set_size_request(control.frame, DialogUnitsToPixelsX(item.width, baseWidth),
                                DialogUnitsToPixelsY(item.height, baseHeight));
    gtk_fixed_put(GTK_FIXED(fixed), control.frame, DialogUnitsToPixelsX(item.x, baseWidth),
                  DialogUnitsToPixelsY(item.y, baseHeight));
    gtk_widget_set_can_focus(control.widget, (item.style & WS_TABSTOP) != 0);
    gtk_widget_set_no_show_all(control.frame, (item.style & WS_VISIBLE) == 0);
  }
  g_signal_connect(dialog.window, "key-press-event", G_CALLBACK(OnKeyPress), &dialog);
  g_signal_connect(dialog.window, "delete-event", G_CALLBACK(OnDeleteEvent), &dialog);
  g_signal_connect(dialog.window, "set-focus", G_CALLBACK(OnFocusChanged), &dialog);
}

INT_PTR DialogGtkRun(DialogRecord& dialog, BOOL focusFirst) {
  if (focusFirst) {
    for (DialogControl& control : dialog.controls) {
      if (control.item->style & WS_TABSTOP) {
        SetFocus(control.handle);
        break;
      }
    }
  }
  TestDriver driver;
  StartTestDriver(dialog, driver);
  gtk_widget_show_all(dialog.window);
  gtk_window_present(GTK_WINDOW(dialog.window));
  TypeKeys(dialog.window, driver);
  while (!dialog.ended) gtk_main_iteration_do(TRUE);
  g_source_remove_by_user_data(&dialog);
  DialogGtkDestroy(dialog);
  StopTestDriver(driver);
  return dialog.result;
}

void DialogGtkAddListItem(DialogControl& control, const char* text) {
  GtkWidget* label = gtk_label_new(text);
  gtk_widget_set_halign(label, GTK_ALIGN_START);
  gtk_list_box_insert(GTK_LIST_BOX(control.widget), label, -1);
  gtk_widget_show(label);
}
