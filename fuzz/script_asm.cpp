// The script assembler on any text: what it accepts disassembles, and assembles back to the
// same bytes; what it refuses names a line.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "tools/scriptasm/script_asm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes, again;
  std::string error, text;
  if (!ScriptAssemble(FuzzText(data, size), &bytes, &error)) {
    FuzzRequire(error.rfind("line ", 0) == 0, "a refusal that names no line");
    return 0;
  }
  FuzzRequire(ScriptDisassemble(bytes, &text, &error), "an assembled stream does not disassemble");
  FuzzRequire(ScriptAssemble(text, &again, &error) && again == bytes, "the round trip differs");
  FuzzRequire(ScriptCountTicks(bytes) >= 0, "an assembled stream counts no ticks");
  return 0;
}
