#pragma once
// The dialog template compiler: reads the readable dialog source and writes the C++ of the
// program's dialog resources (the DialogTemplate records of platform/dialog.h).
//
// Source, one statement a line, '#' starts a comment, coordinates in dialog units:
//   dialog <resource id> <x> <y> <width> <height> "<title>"
//   style <flags>
//   font <points> <weight> <charset> "<face>"
//   control <id> button|listbox "<text>" <x> <y> <width> <height> <flags>
//   end
// Flags are style names (WS_, DS_, BS_, LBS_) or numbers joined by '|'. Ids are numbers or
// IDOK / IDCANCEL. Strings take \" and \\ escapes.

#include <string>
#include <string_view>
#include <vector>

#include "platform/dialog.h"

struct DialogSourceItem {
  int id;
  DialogControlClass controlClass;
  std::string text;
  int x, y, width, height;
  uint32_t style;
};

struct DialogSource {
  int resourceId;
  std::string title;
  int x, y, width, height;
  uint32_t style;
  int pointSize, weight, charset;
  std::string faceName;
  std::vector<DialogSourceItem> items;
};

// Appends the dialogs of `text` to `dialogs`. False with "<sourceName>:<line>: <message>" in
// `error` on the first fault: an unknown statement, style or class, a missing or extra
// operand, a number out of range (ids 1..65535, coordinates 0..32767, sizes 1..32767), an
// unterminated string, a duplicate dialog or control id, a control outside its dialog, a
// dialog without font or end.
bool ParseDialogSource(std::string_view text, std::string_view sourceName,
                       std::vector<DialogSource>* dialogs, std::string* error);

// The C++ source defining kDialogResources and kDialogResourceCount (at least one dialog).
std::string EmitDialogResources(const std::vector<DialogSource>& dialogs);
