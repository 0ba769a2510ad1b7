#include "tests/platform/shader_harness.h"

#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <cmath>

#include "render/shader_table.h"
#include "tools/shaderasm/shader_asm.h"

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;
GLuint framebuffer = 0, vertexArray = 0, vertexBuffer = 0;

GLuint Compile(GLenum kind, const std::string& source, std::string& error) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    error = std::string(log) + "\n" + source;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

void Uniform4(unsigned program, const char* array, int start, const std::vector<float>& v) {
  glUseProgram(program);
  std::string name = std::string(array) + "[" + std::to_string(start) + "]";
  glUniform4fv(glGetUniformLocation(program, name.c_str()), static_cast<GLsizei>(v.size() / 4),
               v.data());
}

}  // namespace

void HarnessTexture(int stage, int w, int h, int d, const std::vector<uint32_t>& texels) {
  const GLenum target = d > 1 ? GL_TEXTURE_3D : GL_TEXTURE_2D;
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glActiveTexture(GL_TEXTURE0 + stage);
  glBindTexture(target, texture);
  // 0xAARRGGBB words are B, G, R, A bytes in memory.
  if (target == GL_TEXTURE_3D)
    glTexImage3D(target, 0, GL_RGBA8, w, h, d, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
  else
    glTexImage2D(target, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
  glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
    glTexParameteri(target, wrap, GL_CLAMP_TO_EDGE);
}

bool HarnessInit(std::string& error) {
  if (!context) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return error = SDL_GetError(), false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    window =
        SDL_CreateWindow("shader harness", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window) return error = SDL_GetError(), false;
    context = SDL_GL_CreateContext(window);
    if (!context) return error = SDL_GetError(), false;
    glGenVertexArrays(1, &vertexArray);
    glBindVertexArray(vertexArray);
    glGenBuffers(1, &vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    for (GLuint l = 0; l < 16; ++l) {
      glEnableVertexAttribArray(l);
      glVertexAttribPointer(l, 4, GL_FLOAT, GL_FALSE, sizeof(HarnessVertex),
                            reinterpret_cast<void*>(l * 16));
    }
    GLuint colour = 0;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, 1, 1);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    glViewport(0, 0, 1, 1);
  }
  // Device tests in the same process make their own contexts current.
  if (SDL_GL_MakeCurrent(window, context) != 0) return error = SDL_GetError(), false;
  return true;
}

unsigned HarnessProgram(const std::vector<uint32_t>& vs, const std::vector<uint32_t>& ps,
                        std::string& error) {
  ShaderTranslation v{}, p{};
  if (!TranslateShaderTokens(vs.data(), vs.size(), v)) return error = "vertex: " + v.error, 0;
  if (!TranslateShaderTokens(ps.data(), ps.size(), p)) return error = "pixel: " + p.error, 0;
  GLuint vertex = Compile(GL_VERTEX_SHADER, v.source, error);
  GLuint pixel =
      vertex ? Compile(GL_FRAGMENT_SHADER, ShaderSourceWithAlphaTest(p.source), error) : 0;
  if (!pixel) return 0;
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, pixel);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(pixel);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char log[2048] = {};
    glGetProgramInfoLog(program, sizeof log, nullptr, log);
    error = log;
    return 0;
  }
  glUseProgram(program);
  for (int i = 0; i < 16; ++i)
    glUniform1i(glGetUniformLocation(program, ("hx_s" + std::to_string(i)).c_str()), i);
  glUniform1i(glGetUniformLocation(program, "hx_alphaFunc"), 8);
  return program;
}

void HarnessVertexConstants(unsigned program, int start, const std::vector<float>& values) {
  Uniform4(program, "hx_vc", start, values);
}
void HarnessPixelConstants(unsigned program, int start, const std::vector<float>& values) {
  Uniform4(program, "hx_pc", start, values);
}
void HarnessAlphaTest(unsigned program, int function, float reference) {
  glUseProgram(program);
  glUniform1i(glGetUniformLocation(program, "hx_alphaFunc"), function);
  glUniform1f(glGetUniformLocation(program, "hx_alphaRef"), reference);
}

F4 HarnessDraw(unsigned program, const HarnessVertex& vertex) {
  glUseProgram(program);
  glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glBufferData(GL_ARRAY_BUFFER, sizeof vertex, &vertex, GL_STREAM_DRAW);
  glDrawArrays(GL_POINTS, 0, 1);
  F4 p{};
  glReadPixels(0, 0, 1, 1, GL_RGBA, GL_FLOAT, &p);
  return p;
}

namespace {

// The shader table's token stream for a mode's vertex (kind 1) or pixel (kind 2) shader.
std::vector<uint32_t> TableProgram(uint32_t mode, uint32_t kind) {
  for (const ShaderTableEntry* e = ShaderTable; e->mode != kShaderTableEnd; ++e)
    if (e->mode == mode && e->kind == kind) return {e->tokens, e->tokens + e->size / 4};
  return {};
}

bool Side(const std::string& text, uint32_t mode, uint32_t kind, std::vector<uint32_t>& tokens,
          std::string& error) {
  if (text.empty()) return tokens = TableProgram(mode, kind), true;
  return AssembleShader(text, tokens, error);
}

}  // namespace

unsigned HarnessAssemble(const std::string& vsText, const std::string& psText, std::string& error,
                         uint32_t mode) {
  std::vector<uint32_t> vs, ps;
  if (!Side(vsText, mode, 1, vs, error)) return error = "vs " + error, 0;
  if (!Side(psText, mode, 2, ps, error)) return error = "ps " + error, 0;
  return HarnessProgram(vs, ps, error);
}

const char* const kVertexProbe = R"(vs_2_0
dcl_position v0
dcl_color v1
dcl_texcoord0 v2
dcl_texcoord1 v3
dcl_texcoord2 v4
dcl_texcoord3 v5
dcl_texcoord4 v6
dcl_texcoord5 v7
dcl_texcoord6 v8
dcl_texcoord7 v9
mov oPos, v0
mov oD0, v1
mov oT0, v2
mov oT1, v3
mov oT2, v4
mov oT3, v5
mov oT4, v6
mov oT5, v7
mov oT6, v8
mov oT7, v9
)";

std::string PixelProbe(const std::string& reg) {
  return "ps_2_0\ndcl " + reg + "\nmov oC0, " + reg + "\n";
}

HarnessVertex PointVertex() {
  HarnessVertex v{};
  v.a[0][2] = 0.5f;
  v.a[0][3] = 1.0f;
  return v;
}

void ExpectNear(F4 got, F4 want, const std::string& what, int components, float tolerance) {
  const float g[4] = {got.x, got.y, got.z, got.w}, w[4] = {want.x, want.y, want.z, want.w};
  for (int i = 0; i < components; ++i)
    EXPECT_NEAR(g[i], w[i], tolerance + 1e-5f * std::fabs(w[i])) << what << " [" << i << "]";
}
