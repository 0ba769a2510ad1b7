// scriptasm <output.cpp> <script.txt>: assembles the scene script source into the embedded
// script block.
// scriptasm --disassemble <script.bin>: prints the text form of an assembled stream.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "tools/scriptasm/script_asm.h"
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

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--disassemble") return Disassemble(argv[2]);
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: scriptasm <output.cpp> <script.txt>\n"
                 "       scriptasm --disassemble <script.bin>\n");
    return 2;
  }
  std::ifstream in(argv[2]);
  std::stringstream source;
  source << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "%s: cannot read\n", argv[2]);
    return 1;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ScriptAssemble(source.str(), &bytes, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], error.c_str());
    return 1;
  }
  std::ofstream out(argv[1]);
  out << ByteArrayCpp("loader/scene_script.h", "kSceneScript", bytes);
  return out ? 0 : 1;
}
