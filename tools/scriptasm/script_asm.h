#pragma once
// Scene script assembler and disassembler.
//
// Text form, one statement per line, '#' starts a comment (outside quotes):
//   ticks auto | ticks <n>        expected tick count of the header (auto: the exact number of
//                                 ticks the loader will count); optional, first statement
//   <kind> <name> <header...>     opens an object block (texture, model, group, light, camera,
//                                 node, track, scene, font, material); `timeline` has no name
//     <sub-op> <operands...>      a sub-op of the block's kind, operands in stream order
//     byte <n>                    a sub-op byte the kind ignores (or a font's filler byte)
//   end                           closes the block (sub-op 0); the name becomes referable
//   opcode <n>                    a lone opcode byte that reads nothing
//   program {                     a track's transform program, one instruction a line
//     <instruction>               (tools/scriptasm/transform_asm.h), then a closing brace
//   }                             on its own line; `program [hex bytes]` gives raw code
// The final opcode 0 is written at the end of the text.
// Operands: integers (decimal or 0x hex); fixed-point values as decimals, rounded to the
// nearest 1/256; colours as 0xAARRGGBB; strings in double quotes (escapes \" \\ \xNN); blobs
// as [hex bytes]; references by the name of an earlier finished object of the kind, '-' for
// none (index -1) or @<index> for a raw index -128..127.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Appends the assembled stream to *bytes. False with "line <n>: <what>" in *error.
bool ScriptAssemble(std::string_view text, std::vector<uint8_t>* bytes, std::string* error);
// Text that assembles back to exactly these bytes; objects are named <kind><index>. False for
// a stream that ends inside a record or has bytes after its final opcode 0.
bool ScriptDisassemble(const std::vector<uint8_t>& bytes, std::string* text, std::string* error);
// Ticks the loader counts over the stream: one per opcode byte (the final 0 included) and one
// per sub-op byte of every block (each block's 0 included). -1 when the stream is malformed.
int64_t ScriptCountTicks(const std::vector<uint8_t>& bytes);
