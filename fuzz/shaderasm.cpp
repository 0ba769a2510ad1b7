// The shader assembler and the shader table parser on any text; a stream the assembler makes
// goes through the translator.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "platform/shader_translate.h"
#include "tools/shaderasm/shader_asm.h"
#include "tools/shaderasm/shader_table_emit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = FuzzText(data, size);
  std::vector<uint32_t> tokens;
  std::vector<ShaderTableRow> rows;
  std::string error;
  if (AssembleShader(text, tokens, error)) {
    FuzzRequire(tokens.size() >= 2 && tokens.back() == 0x0000FFFF, "a stream without end token");
    ShaderTranslation out;
    TranslateShaderTokens(tokens.data(), tokens.size(), out);
  } else {
    FuzzRequire(error.rfind("line ", 0) == 0, "a refusal that names no line");
  }
  error.clear();
  if (!ParseShaderTable(text, rows, error)) {
    FuzzRequire(error.rfind("line ", 0) == 0, "a table refusal that names no line");
  }
  return 0;
}
