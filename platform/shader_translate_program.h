#pragma once
// Inside the translator: a validated token stream as a list of decoded instructions, the
// step between parsing (shader_translate.cpp) and GLSL generation (shader_translate_glsl.cpp).

#include <cstdint>
#include <string>
#include <vector>

#include "platform/shader_translate_tokens.h"

struct ShaderInstruction {
  const shadertok::OpcodeInfo* info;
  uint32_t token;     // the instruction token
  uint32_t dst;       // destination token; 0 for nop
  uint32_t src[3];    // source tokens (texld: coordinate, sampler)
  uint8_t sources;    // how many of src are used
  uint32_t extra[4];  // dcl: the declaration word in [0]; def: the four float words
  bool coissued() const { return (token & shadertok::kCoIssueBit) != 0; }
};

struct ShaderProgram {
  uint8_t model;  // shadertok::Model
  std::vector<ShaderInstruction> code;
  uint32_t inputLocation[16];  // vertex: attribute location of v#, or ~0u when undeclared
  uint8_t samplerType[16];     // 0 unused, 2 2D, 3 cube, 4 volume
  bool pixel() const { return model & (shadertok::kPs11 | shadertok::kPs20); }
};

// Decodes and validates a stream of at most maxWords words (never reading beyond it).
bool ParseShaderProgram(const uint32_t* tokens, size_t maxWords, ShaderProgram& program,
                        std::string& error);

// GLSL 3.30 core source of a validated program, with the interface of shader_translate.h.
std::string EmitShaderGlsl(const ShaderProgram& program);
