#include "tools/scriptasm/transform_asm.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::string_view kOpNames[] = {
    "add",  "sub",   "mul",   "div",   "pow",       "fmod",      "min",   "max",
    "sin",  "cos",   "tan",   "sqrt",  "cross",     "normalize", "dot",   "mov",
    "rand", "seteq", "setgt", "setlt", "translate", "rotate",    "scale",
};

constexpr uint8_t kScalarFlag = 0x80;
constexpr uint8_t kTypeImmediate = 0x40;
constexpr uint8_t kTypeR = 0x80;
constexpr uint8_t kTypeC = 0xC0;
constexpr uint8_t kSwizzleFollows = 0x20;
constexpr std::string_view kElements = "xyzw";

std::vector<std::string> Words(std::string_view line) {
  std::vector<std::string> words;
  std::string word;
  for (char c : line.substr(0, line.find('#'))) {
    if (c == ' ' || c == '\t' || c == '\r' || c == ',') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

bool ParseIndex(std::string_view digits, int high, int* index) {
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *index);
  return ec == std::errc() && end == digits.data() + digits.size() && !digits.empty() &&
         *index >= 0 && *index <= high;
}

// Swizzle byte of 1 to 4 element letters; the last letter fills the rest.
bool ParseSwizzle(std::string_view letters, uint8_t* swizzle) {
  if (letters.empty() || letters.size() > 4) return false;
  *swizzle = 0;
  for (size_t i = 0; i < 4; ++i) {
    size_t element = kElements.find(letters[std::min(i, letters.size() - 1)]);
    if (element == std::string_view::npos) return false;
    *swizzle |= static_cast<uint8_t>(element << (2 * i));
  }
  return true;
}

bool EncodeRegister(std::string_view word, std::vector<uint8_t>* code) {
  int index = 0;
  if (word[0] == 'c') {
    if (!ParseIndex(word.substr(1), 63, &index)) return false;
    return code->push_back(static_cast<uint8_t>(kTypeC | index)), true;
  }
  size_t dot = word.find('.');
  if (!ParseIndex(word.substr(1, dot - 1), 31, &index)) return false;
  if (dot == std::string_view::npos)
    return code->push_back(static_cast<uint8_t>(kTypeR | index)), true;
  uint8_t swizzle = 0;
  if (!ParseSwizzle(word.substr(dot + 1), &swizzle)) return false;
  code->push_back(static_cast<uint8_t>(kTypeR | kSwizzleFollows | index));
  code->push_back(swizzle);
  return true;
}

bool EncodeOperand(const std::string& word, std::vector<uint8_t>* code) {
  if (word == "-") return code->push_back(0), true;
  if (word[0] == 'r' || word[0] == 'c') return EncodeRegister(word, code);
  float value = 0.0f;
  auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size() || std::isnan(value)) return false;
  uint32_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  code->push_back(kTypeImmediate);
  for (int b = 0; b < 4; ++b) code->push_back(static_cast<uint8_t>(bits >> (8 * b)));
  return true;
}

bool AssembleBytes(const std::vector<std::string>& words, std::vector<uint8_t>* code) {
  for (size_t i = 1; i < words.size(); ++i) {
    unsigned value = 0;
    const std::string& w = words[i];
    auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value, 16);
    if (ec != std::errc() || end != w.data() + w.size() || value > 255) return false;
    code->push_back(static_cast<uint8_t>(value));
  }
  return words.size() > 1;
}

int FindOp(std::string_view name) {
  for (size_t i = 0; i < std::size(kOpNames); ++i) {
    if (kOpNames[i] == name) return static_cast<int>(i);
  }
  return -1;
}

// ---- Code to text ------------------------------------------------------------------------

// One operand as text. length 0: it runs past the end of the code; sayable false: the text
// form has no spelling for its bytes.
struct OperandText {
  size_t length = 0;
  bool sayable = true;
  std::string text;
};

std::string SwizzleText(uint8_t swizzle) {
  std::string letters;
  for (int i = 0; i < 4; ++i) letters += kElements[(swizzle >> (2 * i)) & 3];
  while (letters.size() > 1 && letters[letters.size() - 1] == letters[letters.size() - 2]) {
    letters.pop_back();
  }
  return letters;
}

std::string FloatText(float value) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

OperandText DecodeOperand(std::span<const uint8_t> code) {
  if (code.empty()) return {};
  const uint8_t first = code[0];
  switch (first & 0xC0) {
    case 0: return {1, first == 0, "-"};
    case kTypeImmediate: {
      if (code.size() < 5) return {};
      uint32_t bits = code[1] | code[2] << 8 | code[3] << 16 | static_cast<uint32_t>(code[4]) << 24;
      float value = 0.0f;
      std::memcpy(&value, &bits, sizeof value);
      return {5, first == kTypeImmediate && !std::isnan(value), FloatText(value)};
    }
    case kTypeR: {
      std::string text = "r" + std::to_string(first & 0x1F);
      if (!(first & kSwizzleFollows)) return {1, true, text};
      if (code.size() < 2) return {};
      return {2, true, text + "." + SwizzleText(code[1])};
    }
    default: return {1, true, "c" + std::to_string(first & 0x3F)};
  }
}

// The text of the instruction at the start of `code` and its length; an empty text when the
// instruction has no spelling (its length is still given when it is known, else 0).
std::string InstructionText(std::span<const uint8_t> code, size_t* length) {
  *length = 0;
  const uint8_t op = code[0] & 0x7F;
  if (op >= std::size(kOpNames)) return {};
  OperandText dst = DecodeOperand(code.subspan(1));
  if (dst.length == 0) return {};
  std::string text(kOpNames[op]);
  if (code[0] & kScalarFlag) text += ".s";
  text += " " + dst.text;
  *length = 1 + dst.length;
  if ((code[1] & 0xC0) != 0) {
    OperandText src = DecodeOperand(code.subspan(*length));
    if (src.length == 0) return *length = 0, std::string();
    *length += src.length;
    text += ", " + src.text;
    dst.sayable = dst.sayable && src.sayable;
  }
  return dst.sayable ? text : std::string();
}

std::string BytesLine(std::span<const uint8_t> code) {
  std::string line = "bytes";
  for (uint8_t b : code) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02x", b);
    line += hex;
  }
  return line;
}

}  // namespace

std::span<const std::string_view> TransformOpNames() { return kOpNames; }

bool TransformAssembleLine(std::string_view line, std::vector<uint8_t>* code, std::string* error) {
  std::vector<std::string> words = Words(line);
  if (words.empty()) return *error = "empty instruction", false;
  if (words[0] == "bytes") {
    if (!AssembleBytes(words, code)) return *error = "bytes takes hex bytes 00..ff", false;
    return true;
  }
  std::string name = words[0];
  uint8_t scalar = 0;
  if (name.size() > 2 && name.compare(name.size() - 2, 2, ".s") == 0) {
    name.resize(name.size() - 2);
    scalar = kScalarFlag;
  }
  int op = FindOp(name);
  if (op < 0) return *error = "unknown transform operation " + words[0], false;
  // A type-0 destination ends the instruction: no source follows it in the code.
  const bool noDestination = words.size() == 2 && words[1] == "-";
  if ((words.size() != 3 || words[1] == "-") && !noDestination) {
    return *error = words[0] + " takes a destination and a source, or -", false;
  }
  code->push_back(static_cast<uint8_t>(scalar | op));
  for (size_t i = 1; i < words.size(); ++i) {
    if (!EncodeOperand(words[i], code)) return *error = "bad transform operand " + words[i], false;
  }
  return true;
}

std::string TransformDisassemble(std::span<const uint8_t> code, std::string_view indent) {
  std::string text;
  while (!code.empty()) {
    size_t length = 0;
    std::string line = InstructionText(code, &length);
    if (length == 0) length = code.size();  // no instruction boundary after this point
    if (line.empty()) line = BytesLine(code.first(length));
    text += std::string(indent) + line + "\n";
    code = code.subspan(length);
  }
  return text;
}

std::vector<uint8_t> TransformProgramOps(std::span<const uint8_t> code) {
  std::vector<uint8_t> ops;
  while (!code.empty()) {
    size_t length = 0;
    InstructionText(code, &length);
    if (length == 0) break;
    ops.push_back(code[0] & 0x7F);
    code = code.subspan(length);
  }
  return ops;
}
