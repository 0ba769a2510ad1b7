#pragma once
// Shader assembler: readable shader assembly text into a token stream (no comment blocks).
//
// Text: the version line first (vs_1_1, vs_2_0, ps_1_1, ps_2_0), then one instruction per
// line; ';' or '//' start a comment. An instruction is a mnemonic with optional suffixes
// (_sat, _pp, _centroid; ps_1_1 shifts _x2 _x4 _x8 _d2 _d4 _d8), a leading '+' for a
// co-issued ps_1_1 instruction, and comma-separated operands:
//   destination  reg[.mask]                mask letters from xyzw or rgba, in order
//   source       [-][1-]reg[_bias|_bx2][.swizzle]   1 to 4 letters, the last repeats
//   def          def cN, f, f, f, f        four floats, stored bit for bit
//   dcl          dcl_<usage>[index] vN (vertex), dcl tN|vN[.mask], dcl_2d|_cube|_volume sN
// Registers: r v c t s a0 oPos oFog oPts oD# oT# oC# oDepth.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Assembles `text` into `tokens` (version token first, end token last). On failure returns
// false with `error` = "line N: what was not understood" and leaves `tokens` unspecified.
bool AssembleShader(std::string_view text, std::vector<uint32_t>& tokens, std::string& error);
