// The scene script reader with every builder, without a device and on a device record (cameras
// take its size; nothing is uploaded or drawn). A well-formed stream counts exactly the ticks
// the assembler predicts for it.
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
  const uint32_t ticks = RunSceneAndFree(nullptr, data, size);
  FuzzRequire(RunSceneAndFree(&record, data, size) == ticks, "a device record changes the ticks");
  const int64_t predicted = ScriptCountTicks(std::vector<uint8_t>(data, data + size));
  FuzzRequire(predicted < 0 || predicted == ticks, "the assembler predicts other ticks");
  return 0;
}
