#include "tools/dialog_compiler/dialog_compiler.h"

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// ---- Names ------------------------------------------------------------------------------

struct NamedValue {
  const char* name;
  uint32_t value;
};

constexpr NamedValue kStyleNames[] = {
    {"WS_POPUP", WS_POPUP},
    {"WS_CHILD", WS_CHILD},
    {"WS_VISIBLE", WS_VISIBLE},
    {"WS_CAPTION", WS_CAPTION},
    {"WS_BORDER", WS_BORDER},
    {"WS_VSCROLL", WS_VSCROLL},
    {"WS_SYSMENU", WS_SYSMENU},
    {"WS_TABSTOP", WS_TABSTOP},
    {"WS_OVERLAPPEDWINDOW", WS_OVERLAPPEDWINDOW},
    {"DS_MODALFRAME", DS_MODALFRAME},
    {"DS_CENTER", DS_CENTER},
    {"DS_SHELLFONT", DS_SHELLFONT},
    {"BS_PUSHBUTTON", BS_PUSHBUTTON},
    {"BS_DEFPUSHBUTTON", BS_DEFPUSHBUTTON},
    {"BS_AUTOCHECKBOX", BS_AUTOCHECKBOX},
    {"LBS_NOTIFY", LBS_NOTIFY},
    {"LBS_NOINTEGRALHEIGHT", LBS_NOINTEGRALHEIGHT},
};

constexpr NamedValue kIdNames[] = {{"IDOK", IDOK}, {"IDCANCEL", IDCANCEL}};

template <size_t N>
std::optional<uint32_t> Lookup(const NamedValue (&table)[N], std::string_view name) {
  for (const NamedValue& entry : table) {
    if (name == entry.name) return entry.value;
  }
  return std::nullopt;
}

// ---- Tokens -----------------------------------------------------------------------------

struct Token {
  std::string text;
  bool quoted;
};

// Splits one line into words, quoted strings and '|'; stops at '#'. False on an unterminated
// string or an unknown escape.
bool Tokenize(std::string_view line, std::vector<Token>* tokens, std::string* fault) {
  size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == '#') break;
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '|') {
      tokens->push_back({"|", false});
      ++i;
    } else if (c == '"') {
      std::string text;
      for (++i;; ++i) {
        if (i >= line.size()) return *fault = "unterminated string", false;
        if (line[i] == '"') break;
        if (line[i] == '\\') {
          if (i + 1 >= line.size() || (line[i + 1] != '"' && line[i + 1] != '\\')) {
            return *fault = "unknown escape in string", false;
          }
          ++i;
        }
        text += line[i];
      }
      tokens->push_back({text, true});
      ++i;
    } else {
      const size_t start = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '|' &&
             line[i] != '"' && line[i] != '#' && line[i] != '\r') {
        ++i;
      }
      tokens->push_back({std::string(line.substr(start, i - start)), false});
    }
  }
  return true;
}

// ---- Statement parsing ------------------------------------------------------------------

// Reads operands of one statement in order; the first fault sticks.
class Operands {
 public:
  Operands(const std::vector<Token>& tokens, std::string* fault) : tokens_(tokens), fault_(fault) {}

  int Number(const char* what, int minimum, int maximum) {
    const Token* token = Next(what);
    if (token == nullptr) return 0;
    std::optional<uint32_t> named = Lookup(kIdNames, token->text);
    long value = named ? static_cast<long>(*named) : 0;
    if (!named) {
      char* end = nullptr;
      value = std::strtol(token->text.c_str(), &end, 0);
      if (token->quoted || token->text.empty() || *end != '\0') return Fail(what, "a number");
    }
    if (value < minimum || value > maximum) {
      return Fail(what,
                  ("within " + std::to_string(minimum) + ".." + std::to_string(maximum)).c_str());
    }
    return static_cast<int>(value);
  }

  std::string String(const char* what) {
    const Token* token = Next(what);
    if (token != nullptr && !token->quoted) Fail(what, "a quoted string");
    return token != nullptr ? token->text : "";
  }

  std::string Word(const char* what) {
    const Token* token = Next(what);
    if (token != nullptr && token->quoted) Fail(what, "a word");
    return token != nullptr ? token->text : "";
  }

  // NAME | NAME | number ... up to the end of the line.
  uint32_t Flags() {
    uint32_t flags = 0;
    for (bool expectValue = true;; expectValue = !expectValue) {
      if (Done() && !expectValue) return flags;
      const Token* token = Next("style");
      if (token == nullptr) return 0;
      if (!expectValue) {
        if (token->text != "|" || token->quoted) return Fail("style", "'|' between flags");
        continue;
      }
      if (std::optional<uint32_t> value = Lookup(kStyleNames, token->text)) {
        flags |= *value;
        continue;
      }
      char* end = nullptr;
      const unsigned long value = std::strtoul(token->text.c_str(), &end, 0);
      if (token->quoted || token->text.empty() || *end != '\0' || value > 0xFFFFFFFFul) {
        *fault_ = "unknown style " + token->text;
        return 0;
      }
      flags |= static_cast<uint32_t>(value);
    }
  }

  // True once the statement has been read to its end; an extra operand is a fault.
  bool Finish() {
    if (fault_->empty() && !Done()) *fault_ = "extra operand " + tokens_[next_].text;
    return fault_->empty();
  }

 private:
  bool Done() const { return next_ >= tokens_.size(); }

  const Token* Next(const char* what) {
    if (!fault_->empty()) return nullptr;
    if (Done()) {
      *fault_ = std::string("missing ") + what;
      return nullptr;
    }
    return &tokens_[next_++];
  }

  int Fail(const char* what, const char* expected) {
    if (fault_->empty()) *fault_ = std::string(what) + " must be " + expected;
    return 0;
  }

  const std::vector<Token>& tokens_;
  std::string* fault_;
  size_t next_ = 1;  // after the keyword
};

constexpr int kMaxCoordinate = 32767;

struct ParseState {
  std::vector<DialogSource>* dialogs;
  int open = -1;  // index of the dialog between "dialog" and "end"
  bool fontSeen = false;
};

void ParseDialogStatement(Operands& in, ParseState& state, std::string* fault) {
  if (state.open >= 0) return void(*fault = "dialog inside a dialog (missing end)");
  DialogSource dialog{};
  dialog.resourceId = in.Number("resource id", 1, 0xFFFF);
  dialog.x = in.Number("x", 0, kMaxCoordinate);
  dialog.y = in.Number("y", 0, kMaxCoordinate);
  dialog.width = in.Number("width", 1, kMaxCoordinate);
  dialog.height = in.Number("height", 1, kMaxCoordinate);
  dialog.title = in.String("title");
  if (!in.Finish()) return;
  for (const DialogSource& other : *state.dialogs) {
    if (other.resourceId == dialog.resourceId) return void(*fault = "duplicate dialog id");
  }
  state.dialogs->push_back(dialog);
  state.open = static_cast<int>(state.dialogs->size()) - 1;
  state.fontSeen = false;
}

void ParseControlStatement(Operands& in, DialogSource& dialog, std::string* fault) {
  DialogSourceItem item{};
  item.id = in.Number("control id", 1, 0xFFFF);
  const std::string controlClass = in.Word("class");
  item.text = in.String("text");
  item.x = in.Number("x", 0, kMaxCoordinate);
  item.y = in.Number("y", 0, kMaxCoordinate);
  item.width = in.Number("width", 1, kMaxCoordinate);
  item.height = in.Number("height", 1, kMaxCoordinate);
  item.style = in.Flags();
  if (!in.Finish()) return;
  if (controlClass == "button") {
    item.controlClass = DialogControlClass::kButton;
  } else if (controlClass == "listbox") {
    item.controlClass = DialogControlClass::kListBox;
  } else {
    return void(*fault = "unknown control class " + controlClass);
  }
  for (const DialogSourceItem& other : dialog.items) {
    if (other.id == item.id) return void(*fault = "duplicate control id");
  }
  if (item.x + item.width > dialog.width || item.y + item.height > dialog.height) {
    return void(*fault = "control lies outside its dialog");
  }
  dialog.items.push_back(item);
}

void ParseStatement(const std::vector<Token>& tokens, ParseState& state, std::string* fault) {
  Operands in(tokens, fault);
  const std::string& keyword = tokens[0].text;
  if (keyword == "dialog" && !tokens[0].quoted) return ParseDialogStatement(in, state, fault);
  if (state.open < 0) return void(*fault = "statement outside a dialog: " + keyword);
  DialogSource& dialog = (*state.dialogs)[state.open];
  if (keyword == "style") {
    dialog.style = in.Flags();
    in.Finish();
  } else if (keyword == "font") {
    dialog.pointSize = in.Number("point size", 1, 72);
    dialog.weight = in.Number("weight", 1, 1000);
    dialog.charset = in.Number("charset", 0, 255);
    dialog.faceName = in.String("face");
    state.fontSeen = in.Finish();
  } else if (keyword == "control") {
    ParseControlStatement(in, dialog, fault);
  } else if (keyword == "end") {
    if (!in.Finish()) return;
    if (!state.fontSeen) return void(*fault = "dialog without font");
    state.open = -1;
  } else {
    *fault = "unknown statement " + keyword;
  }
}

// ---- Output -----------------------------------------------------------------------------

// A C++ string literal; bytes outside printable ASCII become three-digit octal escapes.
std::string Literal(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c > 0x7E) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\%03o", c);
      out += escape;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Format(const char* format, auto... values) {
  char line[512];
  std::snprintf(line, sizeof line, format, values...);
  return line;
}

std::string EmitDialog(const DialogSource& dialog) {
  const int id = dialog.resourceId;
  std::string out = Format("const DialogItemTemplate kItems%d[] = {\n", id);
  for (const DialogSourceItem& item : dialog.items) {
    out += Format("    {%d, DialogControlClass::%s, %s, %d, %d, %d, %d, 0x%08Xu},\n", item.id,
                  item.controlClass == DialogControlClass::kButton ? "kButton" : "kListBox",
                  Literal(item.text).c_str(), item.x, item.y, item.width, item.height, item.style);
  }
  out += "};\n";
  out += Format("const DialogTemplate kDialog%d = {%d, %s, %d, %d, %d, %d, 0x%08Xu,\n", id, id,
                Literal(dialog.title).c_str(), dialog.x, dialog.y, dialog.width, dialog.height,
                dialog.style);
  out += Format("    %d, %d, %d, %s, kItems%d, %zu};\n", dialog.pointSize, dialog.weight,
                dialog.charset, Literal(dialog.faceName).c_str(), id, dialog.items.size());
  return out;
}

}  // namespace

bool ParseDialogSource(std::string_view text, std::string_view sourceName,
                       std::vector<DialogSource>* dialogs, std::string* error) {
  ParseState state{dialogs};
  const size_t firstNew = dialogs->size();
  int lineNumber = 0;
  std::string fault;
  for (size_t start = 0; start <= text.size() && fault.empty();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    ++lineNumber;
    std::vector<Token> tokens;
    if (Tokenize(text.substr(start, end - start), &tokens, &fault) && !tokens.empty()) {
      ParseStatement(tokens, state, &fault);
    }
    start = end + 1;
  }
  if (fault.empty() && state.open >= 0) fault = "dialog without end";
  if (fault.empty()) return true;
  *error = std::string(sourceName) + ":" + std::to_string(lineNumber) + ": " + fault;
  dialogs->resize(firstNew);
  return false;
}

std::string EmitDialogResources(const std::vector<DialogSource>& dialogs) {
  std::string out =
      "// Generated by dialog_compiler from data/dialog; edit the source, not this file.\n"
      "#include \"platform/dialog.h\"\n\nnamespace {\n\n";
  for (const DialogSource& dialog : dialogs) out += EmitDialog(dialog) + "\n";
  out += "}  // namespace\n\nconst DialogTemplate* const kDialogResources[] = {";
  for (const DialogSource& dialog : dialogs) out += Format("&kDialog%d, ", dialog.resourceId);
  out += Format("};\nconst int kDialogResourceCount = %zu;\n", dialogs.size());
  return out;
}
