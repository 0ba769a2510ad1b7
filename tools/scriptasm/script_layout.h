#pragma once
// Operand layouts of the scene script: for every opcode its header and its sub-ops, each with
// the operands it reads in stream order. The assembler, the disassembler and the loader's tests
// all read this one table, so a layout written here is the layout everything agrees on.
//
// Operand letters (bytes in the stream):
//   b u8 (1)   f flag (1)   w u16 big-endian (2)   h fixed 8.8 unsigned (2)
//   x fixed 16.8 signed (3)   c colour R, G, B, A (4)   s string (1 + n)   B blob (1 + n)
//   X transform: nine x (translate, rotate in degrees, scale)
//   P transform program: a blob (1 + n) holding byte code, written as instructions
//   references (1, a signed index into the kind's list): T texture, M material, D model,
//   G group, L light, C camera, K kind-3 node, R track, S scene, F font

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

struct ScriptSubOpLayout {
  uint8_t code;
  std::string_view name;      // mnemonic in the text form
  std::string_view operands;  // operand letters, in stream order
  bool inert = false;         // reads its operands and changes nothing
};

struct ScriptOpLayout {
  uint8_t code;
  std::string_view name;    // keyword in the text form
  std::string_view header;  // operand letters read right after the opcode byte
  std::span<const ScriptSubOpLayout> subOps;
  char kind;  // reference letter of the objects it makes, 0 when it makes none referable
};

// Every opcode that reads anything (1 to 7, 9, 10, 12, 13); other bytes are lone opcodes.
std::span<const ScriptOpLayout> ScriptOpLayouts();
const ScriptOpLayout* ScriptFindOp(uint8_t code);
const ScriptOpLayout* ScriptFindOp(std::string_view name);
const ScriptSubOpLayout* ScriptFindSubOp(const ScriptOpLayout& op, uint8_t code);
const ScriptSubOpLayout* ScriptFindSubOp(const ScriptOpLayout& op, std::string_view name);
// The opcode keyword of the kind a reference letter names ("texture" for 'T'); empty for a
// letter that is no reference.
std::string_view ScriptRefKindName(char letter);
// Bytes an operand string takes when every string and blob is empty.
size_t ScriptOperandBytes(std::string_view operands);
