// The script disassembler on any bytes: what it accepts assembles back to the same bytes, and
// it accepts exactly the streams whose ticks can be counted.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "tools/scriptasm/script_asm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  std::vector<uint8_t> again;
  std::string error, text;
  const bool accepted = ScriptDisassemble(bytes, &text, &error);
  FuzzRequire(accepted == (ScriptCountTicks(bytes) >= 0), "disassembler and tick count disagree");
  if (!accepted) return 0;
  FuzzRequire(ScriptAssemble(text, &again, &error), "a disassembly does not assemble");
  FuzzRequire(again == bytes, "the round trip differs");
  return 0;
}
