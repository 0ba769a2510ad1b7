#pragma once
// Inside the stand-in layer only: the contract between the Direct3D stand-in, which compiles,
// links and draws with GL programs, and the translator, which turns a shader token stream
// (vs_1_1, vs_2_0, ps_1_1, ps_2_0) into GLSL 3.30 core source.
//
// GLSL interface of every translated program (the device relies on these names):
//  - vertex inputs: `layout(location = L) in vec4 hx_a<L>;` with L from ShaderAttributeLocation
//    of the dcl's usage and index; missing components read (0, 0, 0, 1);
//  - constants: `uniform vec4 hx_vc[256];` (vertex) and `uniform vec4 hx_pc[32];` (pixel);
//    def constants override them inside the program;
//  - samplers: `uniform sampler2D|samplerCube|sampler3D hx_s<N>;` for stage N; ps_1_1's
//    "tex tN" uses a sampler2D for stage N;
//  - vertex to pixel: `hx_oD0`, `hx_oD1` (clamped to 0..1 in the vertex program),
//    `hx_oT0` .. `hx_oT7` (vec4, unclamped), `hx_oFog` (float);
//  - position: the program writes gl_Position from oPos p as
//      (p.x + hx_posFixup.x * p.w, -p.y + hx_posFixup.y * p.w, 2 p.z - p.w, p.w)
//    with `uniform vec4 hx_posFixup;` set by the device (the half-pixel offset in x and y):
//    y is negated so GL row 0 is the platform's top row, depth maps 0..1 onto GL's -1..1;
//  - pixel output: `out vec4 hx_color;` after the alpha test, which is compiled in only when
//    HX_ALPHA_TEST is defined (the device builds both variants, so a program drawn without the
//    test has no discard): `uniform int hx_alphaFunc; uniform float hx_alphaRef;` (compare
//    function 1..8 as in the render state; reference in 0..1) discards on failure.

#include <cstddef>
#include <cstdint>
#include <string>

enum class ShaderStage : uint8_t { Vertex, Pixel };

struct ShaderTranslation {
  ShaderStage stage;
  uint8_t major, minor;       // shader model version
  std::string source;         // GLSL 3.30 core
  uint8_t samplerType[16];    // per stage: 0 unused, 2 2D, 3 cube, 4 volume
  std::string error;          // why the stream was refused (empty when accepted)
};

// Translates a token stream of at most maxWords 32-bit words. Returns false, with `error`
// set, for a malformed or unsupported stream; never reads past maxWords.
bool TranslateShaderTokens(const uint32_t* tokens, size_t maxWords, ShaderTranslation& out);

// A translated pixel program's source with the alpha test compiled in (HX_ALPHA_TEST defined
// after the version line).
std::string ShaderSourceWithAlphaTest(const std::string& source);

// Vertex attribute location of a declaration usage and usage index; -1 when not supported.
//   POSITION/POSITIONT 0 -> 0, NORMAL 0 -> 1, COLOR 0/1 -> 2/3, TEXCOORD 0..7 -> 4..11,
//   TANGENT 0 -> 12, BINORMAL 0 -> 13, PSIZE 0 -> 14, BLENDWEIGHT 0 -> 15.
constexpr int ShaderAttributeLocation(uint8_t usage, uint8_t index) {
  switch (usage) {
    case 0: case 9: return index == 0 ? 0 : -1;   // POSITION, POSITIONT
    case 3: return index == 0 ? 1 : -1;           // NORMAL
    case 10: return index < 2 ? 2 + index : -1;   // COLOR
    case 5: return index < 8 ? 4 + index : -1;    // TEXCOORD
    case 6: return index == 0 ? 12 : -1;          // TANGENT
    case 7: return index == 0 ? 13 : -1;          // BINORMAL
    case 4: return index == 0 ? 14 : -1;          // PSIZE
    case 1: return index == 0 ? 15 : -1;          // BLENDWEIGHT
    default: return -1;
  }
}
