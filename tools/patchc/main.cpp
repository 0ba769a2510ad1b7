// patchc <output.cpp> <patches.txt>: compiles the instruments into the embedded patch table.
// patchc --coverage <patches.txt>: prints which of the synthesizer's features the instruments
// use (tools/patchc/coverage.h); exit code 0 whatever the figure.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tools/patchc/coverage.h"
#include "tools/patchc/patchc.h"
#include "tools/songc/byte_array.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr,
                 "usage: patchc <output.cpp> <patches.txt>\n"
                 "       patchc --coverage <patches.txt>\n");
    return 2;
  }
  std::ifstream in(argv[2]);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  std::string error;
  if (!in || !PatchCompile(text.str(), &table, &error, &warnings)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], in ? error.c_str() : "cannot read");
    return 1;
  }
  for (const std::string& w : warnings)
    std::fprintf(stderr, "%s: warning: %s\n", argv[2], w.c_str());
  if (std::string(argv[1]) == "--coverage") {
    std::fputs(CoverageReport(PatchCoverage(table)).c_str(), stdout);
    return 0;
  }
  std::ofstream out(argv[1]);
  out << ByteArrayCpp("music/embedded_music.h", "kEmbeddedPatchTable", table);
  return out ? 0 : 1;
}
