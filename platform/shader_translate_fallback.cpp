// Stand-in translator until the full one lands: accepts vs_1_1, vs_2_0, ps_1_1 and ps_2_0
// streams and draws position and vertex colour only. A vertex program writes its dcl'd
// position (as clip coordinates) and colour 0 through; a pixel program outputs the
// interpolated colour. Instructions other than dcl are not translated.

#include <string>

#include "platform/d3d9_internal.h"
#include "platform/shader_translate.h"

namespace {

constexpr uint32_t kEndToken = 0x0000FFFF;
constexpr uint32_t kDclOpcode = 0x1F;

bool KnownVersion(uint32_t version, ShaderStage& stage, uint8_t& major, uint8_t& minor) {
  major = static_cast<uint8_t>(version >> 8);
  minor = static_cast<uint8_t>(version);
  const bool model = (major == 1 && minor == 1) || (major == 2 && minor == 0);
  if ((version >> 16) == 0xFFFE)
    stage = ShaderStage::Vertex;
  else if ((version >> 16) == 0xFFFF)
    stage = ShaderStage::Pixel;
  else
    return false;
  return model;
}

// The attribute declarations at the head of a vertex stream, as GLSL assignments.
std::string VertexBody(const uint32_t* tokens, size_t words) {
  std::string inputs, body = "  vec4 p = vec4(0.0, 0.0, 0.0, 1.0);\n  hx_oD0 = vec4(1.0);\n";
  for (size_t i = 1; i + 2 < words && (tokens[i] & 0xFFFF) == kDclOpcode; i += 3) {
    const uint8_t usage = tokens[i + 1] & 0x1F;
    const uint8_t index = (tokens[i + 1] >> 16) & 0xF;
    const int location = ShaderAttributeLocation(usage, index);
    if (location < 0) continue;
    const std::string name = "hx_a" + std::to_string(location);
    inputs += "layout(location = " + std::to_string(location) + ") in vec4 " + name + ";\n";
    if (location == 0) body += "  p = " + name + ";\n";
    if (location == 2) body += "  hx_oD0 = clamp(" + name + ", 0.0, 1.0);\n";
  }
  return inputs + "void main() {\n" + body;
}

std::string VertexGlsl(const uint32_t* tokens, size_t words) {
  return "#version 330 core\nuniform vec4 hx_posFixup;\n"
         "out vec4 hx_oD0, hx_oD1, hx_oT0, hx_oT1, hx_oT2, hx_oT3, hx_oT4, hx_oT5, hx_oT6, "
         "hx_oT7;\nout float hx_oFog;\n" +
         VertexBody(tokens, words) +
         "  gl_Position = vec4(p.x + hx_posFixup.x * p.w, -p.y + hx_posFixup.y * p.w,"
         " 2.0 * p.z - p.w, p.w);\n"
         "  hx_oD1 = vec4(0.0);\n  hx_oT0 = hx_oT1 = hx_oT2 = hx_oT3 = vec4(0.0);\n"
         "  hx_oT4 = hx_oT5 = hx_oT6 = hx_oT7 = vec4(0.0);\n  hx_oFog = 1.0;\n}\n";
}

std::string PixelGlsl() {
  return std::string("#version 330 core\nin vec4 hx_oD0;\nout vec4 hx_color;\n") +
         D3D9AlphaTestGlsl() +
         "void main() {\n  if (!hx_alphaPasses(hx_oD0.a)) discard;\n  hx_color = hx_oD0;\n}\n";
}

}  // namespace

bool TranslateShaderTokens(const uint32_t* tokens, size_t maxWords, ShaderTranslation& out) {
  out = ShaderTranslation{};
  size_t words = 0;
  while (words < maxWords && tokens[words] != kEndToken) ++words;
  if (!tokens || maxWords == 0 || words == maxWords) {
    out.error = "no end token";
    return false;
  }
  if (!KnownVersion(tokens[0], out.stage, out.major, out.minor)) {
    out.error = "unsupported version token";
    return false;
  }
  out.source = out.stage == ShaderStage::Vertex ? VertexGlsl(tokens, words) : PixelGlsl();
  return true;
}
