#pragma once
// Transform programs in text: one instruction per line.
//
//   <op>[.s] <dst>, <src>       .s sets the scalar flag (the operation works on component 0)
//   <op>[.s] -                  a destination of type 0: no source follows in the code
//   bytes <hex> <hex> ...       raw code bytes, for what the instruction form cannot say
//
// Operations, by opcode 0..22: add sub mul div pow fmod min max sin cos tan sqrt cross
// normalize dot mov rand seteq setgt setlt translate rotate scale.
// Operands:
//   rN          r register 0..31 without a swizzle byte (component i reads element 3 - i)
//   rN.xyzw     r register with a swizzle byte: component i reads the i-th letter (x y z w);
//               fewer than four letters repeat the last one (r1.x is r1.xxxx, swizzle 0x00)
//   cN          c register 0..63 (c0 time, c1 time step, c2 + i input i)
//   <number>    32-bit float immediate (decimal, inf, -inf)
//   -           type 0 (no operand)
// Each instruction names its source even where the operation ignores it (normalize,
// seteq..setlt, translate, rotate, scale), since the code carries it.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The operation names by opcode, 23 of them.
std::span<const std::string_view> TransformOpNames();
// Appends the code of one text line (an instruction or a `bytes` line) to *code. False with
// the reason in *error.
bool TransformAssembleLine(std::string_view line, std::vector<uint8_t>* code, std::string* error);
// The lines that assemble back to exactly `code`, each prefixed by `indent` and ending in a
// newline. Instructions the text form cannot say (immediates with stray type bits or NaN, an
// opcode above 22, a type-0 operand with stray bits, code that ends inside an instruction)
// come out as `bytes` lines.
std::string TransformDisassemble(std::span<const uint8_t> code, std::string_view indent);
// The opcode (0..22) of every instruction of the code in order, up to the first byte that
// starts no whole instruction.
std::vector<uint8_t> TransformProgramOps(std::span<const uint8_t> code);
