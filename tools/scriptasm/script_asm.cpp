#include "tools/scriptasm/script_asm.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>

#include "tools/scriptasm/script_layout.h"
#include "tools/scriptasm/script_walk.h"
#include "tools/scriptasm/transform_asm.h"

namespace {

// ---- Text side -------------------------------------------------------------------------------

struct Token {
  std::string text;
  char quote;  // '"' string, '[' blob, 0 word
};

// The escape at line[*i] (a backslash) appended to *s, *i left on its last character.
bool Unescape(std::string_view line, size_t* i, std::string* s) {
  const std::string_view rest = line.substr(*i + 1);
  if (!rest.empty() && (rest[0] == '"' || rest[0] == '\\')) {
    *s += rest[0];
    return ++*i, true;
  }
  unsigned value = 0;
  if (rest.size() < 3 || rest[0] != 'x') return false;
  auto [end, ec] = std::from_chars(rest.data() + 1, rest.data() + 3, value, 16);
  if (ec != std::errc() || end != rest.data() + 3) return false;
  *s += static_cast<char>(value);
  return *i += 3, true;
}

bool Tokenize(std::string_view line, std::vector<Token>* tokens, std::string* error) {
  size_t i = 0;
  while (i < line.size()) {
    char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      std::string s;
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\') {
          s += line[i];
        } else if (!Unescape(line, &i, &s)) {
          return *error = "bad escape in string: \\\" \\\\ or \\x and two hex digits", false;
        }
      }
      if (i >= line.size()) return *error = "unterminated string", false;
      tokens->push_back({s, '"'});
      ++i;
    } else if (c == '[') {
      size_t close = line.find(']', i);
      if (close == std::string_view::npos) return *error = "unterminated blob", false;
      tokens->push_back({std::string(line.substr(i + 1, close - i - 1)), '['});
      i = close + 1;
    } else {
      size_t end = line.find_first_of(" \t\r#", i);
      if (end == std::string_view::npos) end = line.size();
      tokens->push_back({std::string(line.substr(i, end - i)), 0});
      i = end;
    }
  }
  return true;
}

bool ParseInt(const Token& token, int64_t low, int64_t high, int64_t* value) {
  if (token.quote || token.text.empty()) return false;
  const char* s = token.text.c_str();
  char* end = nullptr;
  long long v = std::strtoll(s, &end, 0);
  if (*end != 0 || v < low || v > high) return false;
  *value = v;
  return true;
}

bool ParseFixed(const Token& token, int64_t low, int64_t high, int64_t* value) {
  if (token.quote || token.text.empty()) return false;
  char* end = nullptr;
  double v = std::strtod(token.text.c_str(), &end);
  if (*end != 0 || !std::isfinite(v)) return false;
  double steps = std::nearbyint(v * 256.0);
  if (steps < static_cast<double>(low) || steps > static_cast<double>(high)) return false;
  *value = static_cast<int64_t>(steps);
  return true;
}

void PutBig(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int b = bytes - 1; b >= 0; --b) out->push_back(static_cast<uint8_t>(value >> (8 * b)));
}

struct Assembler {
  std::vector<uint8_t>* out = nullptr;
  std::map<char, std::map<std::string, int>> names;  // reference letter -> name -> index
  std::map<char, int> counts;
  int64_t ticks = 0;
};

bool EncodeRef(Assembler& as, char letter, const Token& token, std::string* error) {
  int64_t index = 0;
  if (token.text == "-" && !token.quote) {
    index = -1;
  } else if (!token.quote && token.text.size() > 1 && token.text[0] == '@') {
    Token raw{token.text.substr(1), 0};
    if (!ParseInt(raw, -128, 127, &index)) return *error = "bad index " + token.text, false;
  } else {
    auto& kind = as.names[letter];
    auto found = kind.find(token.text);
    if (token.quote || found == kind.end()) {
      return *error =
                 "no finished " + std::string(ScriptRefKindName(letter)) + " named " + token.text,
             false;
    }
    index = found->second;
    if (index > 127) return *error = token.text + " is beyond the first 128 of its kind", false;
  }
  as.out->push_back(static_cast<uint8_t>(index & 0xFF));
  return true;
}

bool EncodeOperand(Assembler& as, char letter, const Token& token, std::string* error) {
  int64_t v = 0;
  std::vector<uint8_t>& out = *as.out;
  switch (letter) {
    case 'b':
    case 'f':
      if (!ParseInt(token, 0, 255, &v)) break;
      return out.push_back(static_cast<uint8_t>(v)), true;
    case 'w':
      if (!ParseInt(token, 0, 65535, &v)) break;
      return PutBig(&out, static_cast<uint32_t>(v), 2), true;
    case 'h':
      if (!ParseFixed(token, 0, 65535, &v)) break;
      return PutBig(&out, static_cast<uint32_t>(v), 2), true;
    case 'x':
      if (!ParseFixed(token, -8388608, 8388607, &v)) break;
      return PutBig(&out, static_cast<uint32_t>(v) & 0xFFFFFF, 3), true;
    case 'c': {
      if (token.text.size() != 10 || token.text.compare(0, 2, "0x") != 0) break;
      if (!ParseInt(token, 0, 0xFFFFFFFFll, &v)) break;
      uint32_t word = static_cast<uint32_t>(v);
      for (int shift : {16, 8, 0, 24}) out.push_back(static_cast<uint8_t>(word >> shift));
      return true;
    }
    case 's':
      if (token.quote != '"' || token.text.size() > 255) break;
      out.push_back(static_cast<uint8_t>(token.text.size()));
      out.insert(out.end(), token.text.begin(), token.text.end());
      return true;
    case 'B':
    case 'P': {
      if (token.quote != '[') break;
      std::vector<Token> hex;
      std::string ignored;
      Tokenize(token.text, &hex, &ignored);
      if (hex.size() > 255) break;
      out.push_back(static_cast<uint8_t>(hex.size()));
      for (const Token& h : hex) {
        Token withBase{"0x" + h.text, 0};
        if (!ParseInt(withBase, 0, 255, &v)) return *error = "bad blob byte " + h.text, false;
        out.push_back(static_cast<uint8_t>(v));
      }
      return true;
    }
    default: return EncodeRef(as, letter, token, error);
  }
  *error = "operand '" + token.text + "' does not fit a " + std::string(1, letter) + " operand";
  return false;
}

bool EncodeOperands(Assembler& as, std::string_view operands, const std::vector<Token>& tokens,
                    size_t first, std::string* error) {
  std::string letters = ScriptExpandOperands(operands);
  if (tokens.size() - first != letters.size()) {
    return *error = "expected " + std::to_string(letters.size()) + " operands, got " +
                    std::to_string(tokens.size() - first),
           false;
  }
  for (size_t i = 0; i < letters.size(); ++i) {
    if (!EncodeOperand(as, letters[i], tokens[first + i], error)) return false;
  }
  return true;
}

struct Block {
  const ScriptOpLayout* op = nullptr;
  std::string name;
  size_t program = 0;  // offset of the open program's length byte; 0 outside a program
};

// One statement outside a block.
bool AssembleTop(Assembler& as, const std::vector<Token>& t, Block* block, std::string* error) {
  int64_t v = 0;
  if (t[0].text == "opcode") {
    if (t.size() != 2 || !ParseInt(t[1], 1, 255, &v) || ScriptFindOp(static_cast<uint8_t>(v))) {
      return *error = "opcode takes one byte that no layout reads", false;
    }
    as.out->push_back(static_cast<uint8_t>(v));
    return ++as.ticks, true;
  }
  const ScriptOpLayout* op = ScriptFindOp(t[0].text);
  if (!op) return *error = "unknown statement " + t[0].text, false;
  size_t first = 1;
  if (op->kind != 0) {
    if (t.size() < 2 || t[1].quote)
      return *error = op->name.data() + std::string(" needs a name"), false;
    if (as.names[op->kind].count(t[1].text))
      return *error = "name " + t[1].text + " used twice", false;
    block->name = t[1].text;
    first = 2;
  }
  as.out->push_back(op->code);
  ++as.ticks;
  block->op = op;
  return EncodeOperands(as, op->header, t, first, error);
}

// One statement inside a block.
bool AssembleSub(Assembler& as, const std::vector<Token>& t, Block* block, std::string* error) {
  const ScriptOpLayout& op = *block->op;
  ++as.ticks;
  if (t[0].text == "end") {
    if (t.size() != 1) return *error = "end takes nothing", false;
    as.out->push_back(0);
    if (op.kind != 0) as.names[op.kind][block->name] = as.counts[op.kind]++;
    block->op = nullptr;
    return true;
  }
  if (t[0].text == "byte") {
    int64_t v = 0;
    if (t.size() != 2 || !ParseInt(t[1], 1, 255, &v) ||
        ScriptFindSubOp(op, static_cast<uint8_t>(v))) {
      return *error = "byte takes one value that the kind ignores", false;
    }
    as.out->push_back(static_cast<uint8_t>(v));
    return true;
  }
  const ScriptSubOpLayout* sub = ScriptFindSubOp(op, t[0].text);
  if (!sub) return *error = "unknown " + std::string(op.name) + " sub-op " + t[0].text, false;
  as.out->push_back(sub->code);
  if (sub->operands == "P" && t.size() == 2 && !t[1].quote && t[1].text == "{") {
    block->program = as.out->size();
    as.out->push_back(0);  // the length, known at the closing brace
    return true;
  }
  return EncodeOperands(as, sub->operands, t, 1, error);
}

// One line inside a program's braces.
bool AssembleProgramLine(Assembler& as, const std::vector<Token>& t, std::string_view line,
                         Block* block, std::string* error) {
  if (t.size() == 1 && !t[0].quote && t[0].text == "}") {
    const size_t length = as.out->size() - block->program - 1;
    if (length > 255) return *error = "program longer than 255 bytes", false;
    (*as.out)[block->program] = static_cast<uint8_t>(length);
    block->program = 0;
    return true;
  }
  return TransformAssembleLine(line, as.out, error);
}

// ---- Byte side -------------------------------------------------------------------------------

std::string FixedText(int64_t steps) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(steps) / 256.0);
  return std::string(buffer, result.ptr);
}

std::string QuoteString(ScriptBytes s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 32 || c > 126 || c == '#') {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string BlobText(ScriptBytes blob) {
  std::string out = "[";
  for (unsigned char c : blob) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02x", out == "[" ? "" : " ", c);
    out += hex;
  }
  return out + "]";
}

struct Printer {
  std::map<char, int> counts;  // finished objects per reference letter
  std::string text;

  std::string Reference(char letter, uint8_t byte) {
    int index = static_cast<int8_t>(byte);
    if (index >= 0 && index < counts[letter]) {
      return std::string(ScriptRefKindName(letter)) + std::to_string(index);
    }
    return (index == -1) ? "-" : "@" + std::to_string(index);
  }

  std::string Operand(char letter, ScriptBytes bytes) {
    const uint32_t v = ScriptOperandValue(bytes);
    switch (letter) {
      case 'b':
      case 'f':
      case 'w': return std::to_string(v);
      case 'h': return FixedText(v);
      case 'x': return FixedText(static_cast<int32_t>(v << 8) >> 8);
      case 'c': {
        char hex[16];
        std::snprintf(hex, sizeof hex, "0x%08X", (v << 24) | (v >> 8));  // RGBA -> AARRGGBB
        return hex;
      }
      case 's': return QuoteString(bytes.subspan(1));
      case 'B': return BlobText(bytes.subspan(1));
      case 'P': return "{\n" + TransformDisassemble(bytes.subspan(1), "    ") + "  }";
      default: return Reference(letter, bytes[0]);
    }
  }

  void Step(const ScriptStep& step) {
    std::string line;
    switch (step.kind) {
      case ScriptStep::kLoneOpcode: text += "opcode " + std::to_string(step.code) + "\n"; return;
      case ScriptStep::kEnd:
        if (step.op->kind != 0) ++counts[step.op->kind];
        text += "end\n";
        return;
      case ScriptStep::kOpen:
        line = std::string(step.op->name);
        if (step.op->kind) line += " " + line + std::to_string(counts[step.op->kind]);
        break;
      case ScriptStep::kSubOp:
        line =
            "  " + (step.sub ? std::string(step.sub->name) : "byte " + std::to_string(step.code));
        break;
    }
    for (size_t i = 0; i < step.operands.size(); ++i) {
      line += " " + Operand(step.letters[i], step.operands[i]);
    }
    text += line + "\n";
  }
};

}  // namespace

bool ScriptAssemble(std::string_view text, std::vector<uint8_t>* bytes, std::string* error) {
  size_t start = bytes->size();
  bytes->insert(bytes->end(), {0, 0});
  Assembler as;
  as.out = bytes;
  Block block;
  int64_t ticks = -1;  // -1: auto
  size_t lineNumber = 0;
  bool any = false;
  auto fail = [&](const std::string& what) {
    *error = "line " + std::to_string(lineNumber) + ": " + what;
    return false;
  };
  while (!text.empty()) {
    size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text = (eol == std::string_view::npos) ? std::string_view() : text.substr(eol + 1);
    ++lineNumber;
    std::vector<Token> tokens;
    std::string what;
    bool ok = Tokenize(line, &tokens, &what);
    if (ok && tokens.empty()) continue;
    if (ok && tokens[0].text == "ticks" && !block.op) {
      ok = !any && tokens.size() == 2 &&
           (tokens[1].text == "auto" || ParseInt(tokens[1], 0, 65535, &ticks));
      if (!ok) what = "ticks comes first and takes auto or 0..65535";
    } else if (ok && block.program) {
      ok = AssembleProgramLine(as, tokens, line, &block, &what);
    } else if (ok) {
      ok = block.op ? AssembleSub(as, tokens, &block, &what)
                    : AssembleTop(as, tokens, &block, &what);
    }
    any = true;
    if (!ok) return fail(what);
  }
  // Faults of the whole text are reported at its last line.
  if (block.program) return fail("the last program has no closing }");
  if (block.op) return fail("the last " + std::string(block.op->name) + " has no end");
  bytes->push_back(0);
  ++as.ticks;
  if (ticks < 0 && as.ticks > 65535) return fail("more than 65535 ticks");
  uint32_t header = static_cast<uint32_t>(ticks < 0 ? as.ticks : ticks);
  (*bytes)[start] = static_cast<uint8_t>(header & 0xFF);
  (*bytes)[start + 1] = static_cast<uint8_t>(header >> 8);
  return true;
}

bool ScriptDisassemble(const std::vector<uint8_t>& bytes, std::string* text, std::string* error) {
  Printer printer;
  int64_t ticks = ScriptWalk(
      bytes, [&](const ScriptStep& step) { printer.Step(step); }, error);
  if (ticks < 0) return false;
  uint32_t header = bytes[0] | (bytes[1] << 8);
  std::string head = (header == ticks) ? "ticks auto\n" : "ticks " + std::to_string(header) + "\n";
  *text = head + printer.text;
  return true;
}

int64_t ScriptCountTicks(const std::vector<uint8_t>& bytes) {
  std::string error;
  return ScriptWalk(
      bytes, [](const ScriptStep&) {}, &error);
}
