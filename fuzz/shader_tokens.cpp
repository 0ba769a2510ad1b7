// The shader token translator (vertex and pixel streams; the version token decides).
#include <cstring>
#include <vector>

#include "fuzz/support.h"
#include "platform/shader_translate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint32_t> words(size / 4);
  if (!words.empty()) std::memcpy(words.data(), data, words.size() * 4);
  ShaderTranslation out;
  const bool accepted = TranslateShaderTokens(words.data(), words.size(), out);
  FuzzRequire(accepted == out.error.empty(), "a refusal without a reason, or the reverse");
  return 0;
}
