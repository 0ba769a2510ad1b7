// The dialog template compiler on any text; what it parses goes through the emitter.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "tools/dialog_compiler/dialog_compiler.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<DialogSource> dialogs;
  std::string error;
  if (!ParseDialogSource(FuzzText(data, size), "fuzz.dlg", &dialogs, &error)) {
    FuzzRequire(error.rfind("fuzz.dlg:", 0) == 0, "a refusal that names no line");
    return 0;
  }
  if (!dialogs.empty()) EmitDialogResources(dialogs);  // under the sanitizers' watch
  return 0;
}
