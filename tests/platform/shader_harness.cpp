#include "tests/platform/shader_harness.h"

#include <gtest/gtest.h>

#include <SDL2/SDL.h>
#include <epoxy/gl.h>

#include <cmath>

#include "platform/shader_translate.h"
#include "render/shader_table.h"
#include "tools/shaderasm/shader_asm.h"

namespace {

SDL_Window* window = nullptr;
SDL_GLContext context = nullptr;

// The info log of a shader or program whose `status` is false, else empty.
template <typename Get, typename Log>
std::string Failure(GLuint object, GLenum status, Get get, Log log) {
  GLint ok = 0;
  get(object, status, &ok);
  char text[2048] = {};
  if (!ok) log(object, sizeof text, nullptr, text);
  return ok ? "" : std::string("GL: ") + text;
}

GLuint Compile(GLenum kind, const std::string& source, std::string& error) {
  GLuint shader = glCreateShader(kind);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  error = Failure(shader, GL_COMPILE_STATUS, glGetShaderiv, glGetShaderInfoLog);
  if (!error.empty()) glDeleteShader(shader), error += source, shader = 0;
  return shader;
}

// `text` assembled, or when it is empty the shader table's program of `mode` for `kind`;
// translated and compiled.
GLuint Translated(GLenum kind, const std::string& text, uint32_t mode, std::string& error) {
  std::vector<uint32_t> tokens;
  if (!text.empty() && !AssembleShader(text, tokens, error)) return 0;
  const uint32_t side = kind == GL_VERTEX_SHADER ? 1 : 2;
  for (const ShaderTableEntry* e = ShaderTable; text.empty() && e->mode != kShaderTableEnd; ++e)
    if (e->mode == mode && e->kind == side) tokens = TableTokens(*e);
  ShaderTranslation out{};
  if (!TranslateShaderTokens(tokens.data(), tokens.size(), out)) return error = out.error, 0;
  return Compile(kind, out.source, error);  // pixel programs without the alpha test
}

}  // namespace

std::vector<uint32_t> Assembled(std::string_view text) {
  std::vector<uint32_t> tokens;
  std::string error;
  EXPECT_TRUE(AssembleShader(text, tokens, error)) << error;
  return tokens;
}

std::vector<uint32_t> TableTokens(const ShaderTableEntry& e) {
  return {e.tokens, e.tokens + e.size / 4};
}

bool HarnessInit(std::string& error) {
  if (!context) {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) return error = SDL_GetError(), false;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    window =
        SDL_CreateWindow("shader harness", 0, 0, 16, 16, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window || !(context = SDL_GL_CreateContext(window))) return error = SDL_GetError(), false;
    GLuint names[4];
    glGenVertexArrays(1, &names[0]);
    glBindVertexArray(names[0]);
    glGenBuffers(1, &names[1]);
    glBindBuffer(GL_ARRAY_BUFFER, names[1]);
    for (GLuint l = 0; l < 16; ++l) {
      glEnableVertexAttribArray(l);
      glVertexAttribPointer(l, 4, GL_FLOAT, GL_FALSE, sizeof(HarnessVertex),
                            reinterpret_cast<void*>(l * 16));
    }
    glGenRenderbuffers(1, &names[2]);
    glBindRenderbuffer(GL_RENDERBUFFER, names[2]);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA32F, 1, 1);
    glGenFramebuffers(1, &names[3]);
    glBindFramebuffer(GL_FRAMEBUFFER, names[3]);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, names[2]);
    glViewport(0, 0, 1, 1);
  }
  // Device tests in the same process make their own contexts current.
  if (SDL_GL_MakeCurrent(window, context) != 0) return error = SDL_GetError(), false;
  return true;
}

unsigned HarnessAssemble(const std::string& vsText, const std::string& psText, std::string& error,
                         uint32_t mode) {
  const GLuint vertex = Translated(GL_VERTEX_SHADER, vsText, mode, error);
  const GLuint pixel = vertex ? Translated(GL_FRAGMENT_SHADER, psText, mode, error) : 0;
  if (!pixel) return 0;
  const GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, pixel);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(pixel);
  error = Failure(program, GL_LINK_STATUS, glGetProgramiv, glGetProgramInfoLog);
  if (!error.empty()) return 0;
  glUseProgram(program);
  for (int i = 0; i < 16; ++i)
    glUniform1i(glGetUniformLocation(program, ("hx_s" + std::to_string(i)).c_str()), i);
  return program;
}

void HarnessConstants(unsigned program, const char* array, const F4* values, int count) {
  glUseProgram(program);
  glUniform4fv(glGetUniformLocation(program, (std::string(array) + "[0]").c_str()), count,
               &values->x);
}

void HarnessTexture(int stage, int w, int h, const std::vector<uint32_t>& texels) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glActiveTexture(GL_TEXTURE0 + stage);
  glBindTexture(GL_TEXTURE_2D, texture);
  // 0xAARRGGBB words are B, G, R, A bytes in memory.
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, texels.data());
  for (GLenum filter : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER})
    glTexParameteri(GL_TEXTURE_2D, filter, GL_NEAREST);
  for (GLenum wrap : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T})
    glTexParameteri(GL_TEXTURE_2D, wrap, GL_CLAMP_TO_EDGE);
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

std::string VertexProbe() {
  std::string dcl = "vs_2_0\ndcl_position v0\ndcl_color v1\n", mov = "mov oPos, v0\nmov oD0, v1\n";
  for (int i = 0; i < 8; ++i) {
    const std::string n = std::to_string(i), v = " v" + std::to_string(i + 2) + "\n";
    dcl += "dcl_texcoord" + n + v;
    mov += "mov oT" + n + "," + v;
  }
  return dcl + mov;
}

std::string PixelProbe(const std::string& reg) {
  return "ps_2_0\ndcl " + reg + "\nmov oC0, " + reg + "\n";
}

void ExpectNear(F4 got, F4 want, const std::string& what) {
  const float g[4] = {got.x, got.y, got.z, got.w}, w[4] = {want.x, want.y, want.z, want.w};
  for (int i = 0; i < 4; ++i)
    EXPECT_NEAR(g[i], w[i], 1e-5f + 1e-5f * std::fabs(w[i])) << what << " [" << i << "]";
}
