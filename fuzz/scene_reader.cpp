// The scene script reader with every builder, without a device or on a device record (cameras
// take its size; nothing is uploaded or drawn): the low bit of the header's tick count, which a
// reader that draws no loading bar never uses, chooses. A well-formed stream counts exactly the
// ticks the assembler predicts for it.
#include <vector>

#include "fuzz/support.h"
#include "shell/device_startup.h"
#include "tools/scriptasm/script_asm.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!SceneWithinLimits(data, size)) return -1;
  static Device record = [] {
    Device d{};
    DeviceInit(&d);
    d.width = 64;
    d.height = 48;
    return d;
  }();
  const uint32_t ticks = RunSceneAndFree(size > 0 && (data[0] & 1) ? &record : nullptr, data, size);
  const int64_t predicted = ScriptCountTicks(std::vector<uint8_t>(data, data + size));
  FuzzRequire(predicted < 0 || predicted == ticks, "the assembler predicts other ticks");
  return 0;
}
