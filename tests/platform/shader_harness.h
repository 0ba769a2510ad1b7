#pragma once
// Shader test helpers: token streams from assembly text or the shader table, and a harness for
// translated shaders: a hidden SDL window with a GL 3.3 core context, a 1 x 1 float colour
// target (so results read back at full precision), vertex attributes for all sixteen locations,
// and textures bound to stages. Each draw is one point, so a pixel program sees exactly the
// outputs of one vertex, uninterpolated.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ShaderTableEntry;

// The tokens of shader assembly text; a text that does not assemble fails the test.
std::vector<uint32_t> Assembled(std::string_view text);
// The tokens of a shader table entry.
std::vector<uint32_t> TableTokens(const ShaderTableEntry& entry);

struct F4 {
  float x, y, z, w;
};

// Attribute location -> value; the position (location 0) at the centre of the 1 x 1 target,
// the rest zero.
struct HarnessVertex {
  F4 a[16] = {{0, 0, 0.5f, 1}};
};

// One shared context per test process, made current by every call. False (with `error`)
// when there is no GL.
bool HarnessInit(std::string& error);

// Assembles both texts (shader assembly), translates, compiles and links them; an empty text
// takes the shader table's program of `mode` for that side. 0 with `error` on any failure.
unsigned HarnessAssemble(const std::string& vsText, const std::string& psText, std::string& error,
                         uint32_t mode = 0);

// Sets `count` registers of the constant array `array` ("hx_vc" or "hx_pc") of `program` from
// register 0 on.
void HarnessConstants(unsigned program, const char* array, const F4* values, int count);

// A texture from 0xAARRGGBB texels, nearest filtering, clamp addressing, bound at `stage`.
void HarnessTexture(int stage, int width, int height, const std::vector<uint32_t>& texels);

// Clears the target to (0.25, 0.5, 0.75, 1), draws the vertex as a point, reads the pixel.
F4 HarnessDraw(unsigned program, const HarnessVertex& vertex);

// Pass-through programs: the vertex probe writes position (location 0), oD0 (colour,
// location 2) and oT0..oT7 (texture coordinates, locations 4..11) as given; the pixel probe
// shows one interpolated register ("t3", "v0") as its colour.
std::string VertexProbe();
std::string PixelProbe(const std::string& reg);

// `got` within 1e-5 (relative and absolute) of `want`.
void ExpectNear(F4 got, F4 want, const std::string& what = "");
