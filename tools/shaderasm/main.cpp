// shaderasm <output.cpp> <table.txt> <program.asm>...
// Assembles every program (its name is the file's stem) and writes the shader table source.

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tools/shaderasm/shader_asm.h"
#include "tools/shaderasm/shader_table_emit.h"

namespace {

bool ReadFile(const char* path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return static_cast<bool>(in);
}

int Fail(const std::string& where, const std::string& error) {
  std::fprintf(stderr, "shaderasm: %s: %s\n", where.c_str(), error.c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Fail("usage", "shaderasm <output.cpp> <table.txt> <program.asm>...");
  std::string text, error;
  std::vector<NamedProgram> programs;
  for (int i = 3; i < argc; ++i) {
    NamedProgram program{std::filesystem::path(argv[i]).stem().string(), {}};
    if (!ReadFile(argv[i], text)) return Fail(argv[i], "cannot read");
    if (!AssembleShader(text, program.tokens, error)) return Fail(argv[i], error);
    programs.push_back(std::move(program));
  }
  std::vector<ShaderTableRow> rows;
  if (!ReadFile(argv[2], text)) return Fail(argv[2], "cannot read");
  if (!ParseShaderTable(text, rows, error)) return Fail(argv[2], error);
  std::string source;
  if (!EmitShaderTableSource(rows, programs, source, error)) return Fail(argv[2], error);
  std::ofstream out(argv[1], std::ios::binary);
  out << source;
  out.close();
  return out ? 0 : Fail(argv[1], "cannot write");
}
