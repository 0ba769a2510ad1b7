#pragma once
// A walk over an assembled scene script, record by record, with each operand's bytes cut out
// by the layout table: the disassembler, the tick count and the coverage report read the
// stream through it.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "tools/scriptasm/script_layout.h"

using ScriptBytes = std::span<const uint8_t>;

struct ScriptStep {
  enum Kind { kLoneOpcode, kOpen, kSubOp, kEnd } kind;
  const ScriptOpLayout* op;           // the record's layout; null for a lone opcode
  const ScriptSubOpLayout* sub;       // kSubOp: the sub-op's layout, null for a byte it ignores
  uint8_t code;                       // the opcode byte (kLoneOpcode, kOpen) or the sub-op byte
  std::string_view letters;           // operand letters, the transform spelt out as nine x
  std::vector<ScriptBytes> operands;  // one per letter: kOpen the header, kSubOp the sub-op's
};

// Operand letters with the transform spelt out as its nine values.
std::string ScriptExpandOperands(std::string_view operands);
// Walks the stream from the byte after its header to its final opcode 0 and hands every step
// to `visit`. Returns the ticks the loader counts (one per opcode byte and one per sub-op byte
// of every block, its 0 included), or -1 with the reason in *error for a stream that ends
// inside a record, lacks its final 0 or has bytes after it.
int64_t ScriptWalk(ScriptBytes bytes, const std::function<void(const ScriptStep&)>& visit,
                   std::string* error);
// Big-endian value of a fixed-size operand of 1 to 4 bytes (a colour as stored: R, G, B, A).
uint32_t ScriptOperandValue(ScriptBytes operand);
