// scriptasm <output.cpp> <script.txt>: assembles the scene script source into the embedded
// script block.
// scriptasm --disassemble <script.bin>: prints the text form of an assembled stream.
// scriptasm --coverage <script.txt>: assembles the source and prints what of the format it
// uses (tools/scriptasm/script_coverage.h); exit code 0 whatever the figure.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/scriptasm/script_asm.h"
#include "tools/scriptasm/script_coverage.h"
#include "tools/songc/byte_array.h"

namespace {

int Disassemble(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  std::string text, error;
  if (!in.good() && !in.eof()) error = "cannot read";
  if (!error.empty() || !ScriptDisassemble(bytes, &text, &error)) {
    std::fprintf(stderr, "%s: %s\n", path, error.c_str());
    return 1;
  }
  std::fputs(text.c_str(), stdout);
  return 0;
}

// Assembles the source at `path` into *bytes; false after printing why.
bool AssembleFile(const char* path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path);
  std::stringstream source;
  source << in.rdbuf();
  std::string error = in ? "" : "cannot read";
  if (error.empty() && ScriptAssemble(source.str(), bytes, &error)) return true;
  std::fprintf(stderr, "%s: %s\n", path, error.c_str());
  return false;
}

int Coverage(const char* path) {
  std::vector<uint8_t> bytes;
  if (!AssembleFile(path, &bytes)) return 1;
  std::fputs(CoverageReport(ScriptCoverage(bytes)).c_str(), stdout);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc == 3 ? argv[1] : "";
  if (mode == "--disassemble") return Disassemble(argv[2]);
  if (mode == "--coverage") return Coverage(argv[2]);
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: scriptasm <output.cpp> <script.txt>\n"
                 "       scriptasm --disassemble <script.bin>\n"
                 "       scriptasm --coverage <script.txt>\n");
    return 2;
  }
  std::vector<uint8_t> bytes;
  if (!AssembleFile(argv[2], &bytes)) return 1;
  std::ofstream out(argv[1]);
  out << ByteArrayCpp("loader/scene_script.h", "kSceneScript", bytes);
  return out ? 0 : 1;
}
