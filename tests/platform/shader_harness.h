#pragma once
// Test harness for translated shaders: a hidden SDL window with a GL 3.3 core context, a
// 1 x 1 float colour target (so results read back at full precision), vertex attributes for all
// sixteen locations, and textures bound to stages. Each draw is a list of one-pixel points,
// so a pixel program sees exactly the outputs of one vertex, uninterpolated.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shader_translate.h"

struct HarnessVertex {
  float a[16][4];  // attribute location -> value
};

struct HarnessPixel {
  float r, g, b, a;
};

// One shared context per test process, made current by every call. False (with `error`)
// when there is no GL.
bool HarnessInit(std::string& error);

// Translates both streams, compiles and links them (the pixel program with its alpha test,
// which passes until HarnessAlphaTest sets it); 0 with `error` on any failure.
unsigned HarnessProgram(const std::vector<uint32_t>& vs, const std::vector<uint32_t>& ps,
                        std::string& error);
unsigned HarnessProgram(const uint32_t* vs, size_t vsWords, const uint32_t* ps, size_t psWords,
                        std::string& error);

// Uniforms of the bound program (HarnessDraw binds it): hx_vc / hx_pc from register `start`.
void HarnessVertexConstants(unsigned program, int start, const std::vector<float>& values);
void HarnessPixelConstants(unsigned program, int start, const std::vector<float>& values);
void HarnessAlphaTest(unsigned program, int function, float reference);

// Textures from 0xAARRGGBB texels, nearest filtering, clamp addressing, bound at `stage`.
void HarnessTexture2D(int stage, int width, int height, const std::vector<uint32_t>& texels);
void HarnessTexture3D(int stage, int size, const std::vector<uint32_t>& texels);

// Clears the target to (0.25, 0.5, 0.75, 1) and draws the vertices as points.
void HarnessDraw(unsigned program, const std::vector<HarnessVertex>& vertices);
// The one pixel of the target.
HarnessPixel HarnessRead();

// Assembles both texts (shader assembly) and links them as HarnessProgram does.
unsigned HarnessAssemble(const char* vsText, const char* psText, std::string& error);
// The table's token stream for a mode's vertex (kind 1) or pixel (kind 2) shader.
std::vector<uint32_t> TableProgram(uint32_t mode, uint32_t kind);

// Pass-through programs: the vertex probe writes position (location 0), oD0 (colour,
// location 2) and oT0..oT7 (texture coordinates, locations 4..11) as given; the pixel probe
// shows one interpolated register ("t3", "v0") as its colour.
extern const char* const kVertexProbe;
std::string PixelProbe(const std::string& reg);

// A point at the centre of a 1 x 1 target with the given attributes set (others zero).
HarnessVertex PointVertex();
