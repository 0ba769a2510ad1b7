#pragma once
// The shader table's source form and the C++ the build compiles into the program.
//
// Table text: one line per shader mode, in table order, "mode vertex fifth pixel fifth"
// (program names are the assembly files' stems, fifth words decimal); '#' starts a comment.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ShaderTableRow {
  uint32_t mode;
  std::string vertex, pixel;
  uint32_t vertexFifth, pixelFifth;
};

struct NamedProgram {
  std::string name;  // a C++ identifier: letters, digits and '_'
  std::vector<uint32_t> tokens;
};

// Parses the table text; false with `error` = "line N: ..." on a malformed line or a mode
// outside 0..14 or listed twice.
bool ParseShaderTable(std::string_view text, std::vector<ShaderTableRow>& rows, std::string& error);

// C++ source defining `ShaderTable` (render/shader_table.h) and one 16-byte aligned token
// array per program the table uses. False with `error` when the table names a program that
// is missing, a vertex entry names a pixel program (or the reverse), or a name is not an
// identifier.
bool EmitShaderTableSource(const std::vector<ShaderTableRow>& rows,
                           const std::vector<NamedProgram>& programs, std::string& source,
                           std::string& error);
