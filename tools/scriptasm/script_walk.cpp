#include "tools/scriptasm/script_walk.h"

namespace {

bool IsSized(char letter) { return letter == 's' || letter == 'B' || letter == 'P'; }

// Cuts the operands of `letters` out of the stream at *at; false when they run past the end.
bool CutOperands(ScriptBytes bytes, std::string_view letters, size_t* at,
                 std::vector<ScriptBytes>* operands) {
  for (char letter : letters) {
    size_t size = ScriptOperandBytes(std::string_view(&letter, 1));
    if (IsSized(letter) && *at < bytes.size()) size += bytes[*at];
    if (*at + size > bytes.size()) return false;
    operands->push_back(bytes.subspan(*at, size));
    *at += size;
  }
  return true;
}

struct Walk {
  ScriptBytes bytes;
  const std::function<void(const ScriptStep&)>& visit;
  size_t at = 2;
  int64_t ticks = 0;

  bool Next(uint8_t* code) {
    if (at >= bytes.size()) return false;
    *code = bytes[at++];
    ++ticks;
    return true;
  }

  // One record from the byte after its opcode to its closing 0.
  bool Record(const ScriptOpLayout& op, uint8_t opcode) {
    std::string header = ScriptExpandOperands(op.header);
    ScriptStep open{ScriptStep::kOpen, &op, nullptr, opcode, header, {}};
    if (!CutOperands(bytes, header, &at, &open.operands)) return false;
    visit(open);
    for (;;) {
      uint8_t code = 0;
      if (!Next(&code)) return false;
      if (code == 0) break;
      const ScriptSubOpLayout* sub = ScriptFindSubOp(op, code);
      std::string letters = sub ? ScriptExpandOperands(sub->operands) : std::string();
      ScriptStep step{ScriptStep::kSubOp, &op, sub, code, letters, {}};
      if (!CutOperands(bytes, letters, &at, &step.operands)) return false;
      visit(step);
    }
    visit(ScriptStep{ScriptStep::kEnd, &op, nullptr, 0, {}, {}});
    return true;
  }
};

}  // namespace

std::string ScriptExpandOperands(std::string_view operands) {
  std::string letters;
  for (char c : operands) letters += (c == 'X') ? std::string(9, 'x') : std::string(1, c);
  return letters;
}

int64_t ScriptWalk(ScriptBytes bytes, const std::function<void(const ScriptStep&)>& visit,
                   std::string* error) {
  if (bytes.size() < 2) return *error = "no header", -1;
  Walk w{bytes, visit};
  for (;;) {
    uint8_t code = 0;
    if (!w.Next(&code)) return *error = "no final opcode 0", -1;
    if (code == 0) break;
    const ScriptOpLayout* op = ScriptFindOp(code);
    if (!op) {
      visit(ScriptStep{ScriptStep::kLoneOpcode, nullptr, nullptr, code, {}, {}});
    } else if (!w.Record(*op, code)) {
      return *error = "stream ends inside a " + std::string(op->name) + " record", -1;
    }
  }
  if (w.at != bytes.size()) return *error = "bytes after the final opcode 0", -1;
  return w.ticks;
}

uint32_t ScriptOperandValue(ScriptBytes operand) {
  uint32_t value = 0;
  for (size_t i = 0; i < operand.size() && i < 4; ++i) value = (value << 8) | operand[i];
  return value;
}
