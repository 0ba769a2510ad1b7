// The patch compiler on any text: a table it compiles has every byte of the 15 instruments.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "tools/patchc/patchc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  std::string error;
  if (!PatchCompile(std::string(FuzzText(data, size)), &table, &error, &warnings)) {
    FuzzRequire(error.rfind("line ", 0) == 0, "a refusal that names no line");
    return 0;
  }
  FuzzRequire(table.size() == kPatchParams * kPatchInstruments, "a table of another size");
  return 0;
}
