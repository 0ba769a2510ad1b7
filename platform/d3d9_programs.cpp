// Direct3D stand-in: vertex declarations, shaders and the GL programs that pair them.
// Shaders are translated to GLSL and compiled once at creation, a pixel shader twice: with and
// without the alpha test, so that a draw without the test runs no discard. One program per
// (vertex, pixel, alpha test) combination is linked on first use and kept until either shader
// goes. The device writes
// two programs of its own: the vertex program used without a vertex shader (pre-transformed
// positions, or positions passed through when none is bound) and the default stage-0 pixel
// program used without a pixel shader (vertex colour x stage-0 texture, alpha from the texture;
// the vertex colour, alpha included, when stage 0 is empty).

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/d3d9_internal.h"
#include "platform/shader_translate.h"

namespace {

// Program keys: a shader's serial, or one of the device's own programs.
constexpr uint32_t kFixedVertexKey = 0xFFFFFFF0u;       // + 1 for pre-transformed positions
constexpr uint32_t kDefaultPixelKeyBase = 0x7FFFFF00u;  // + kind x 8 + coordinate set
constexpr uint32_t kAlphaTestKeyBit = 0x80000000u;      // on the pixel key: the alpha test variant

const char kFixedVertexGlsl[] = R"(#version 330 core
layout(location = 0) in vec4 hx_a0;
layout(location = 2) in vec4 hx_a2;
layout(location = 3) in vec4 hx_a3;
layout(location = 4) in vec4 hx_a4;
layout(location = 5) in vec4 hx_a5;
layout(location = 6) in vec4 hx_a6;
layout(location = 7) in vec4 hx_a7;
layout(location = 8) in vec4 hx_a8;
layout(location = 9) in vec4 hx_a9;
layout(location = 10) in vec4 hx_a10;
layout(location = 11) in vec4 hx_a11;
uniform vec4 hx_posFixup;
uniform vec4 hx_viewport;  // x, y, width, height in pixels
uniform int hx_pretransformed;
out vec4 hx_oD0, hx_oD1, hx_oT0, hx_oT1, hx_oT2, hx_oT3, hx_oT4, hx_oT5, hx_oT6, hx_oT7;
out float hx_oFog;
void main() {
  vec4 p = hx_a0;
  if (hx_pretransformed != 0) {
    // Pixel x, y (centres at integers), depth z, 1/w: back to clip space. GL rows run from
    // the top, so y needs no flip here.
    vec2 ndc = (p.xy + 0.5 - hx_viewport.xy) / hx_viewport.zw * 2.0 - 1.0;
    gl_Position = vec4(ndc, 2.0 * p.z - 1.0, 1.0) / p.w;
  } else {
    gl_Position = vec4(p.x + hx_posFixup.x * p.w, -p.y + hx_posFixup.y * p.w, 2.0 * p.z - p.w, p.w);
  }
  hx_oD0 = clamp(hx_a2, 0.0, 1.0);
  hx_oD1 = clamp(hx_a3, 0.0, 1.0);
  hx_oT0 = hx_a4; hx_oT1 = hx_a5; hx_oT2 = hx_a6; hx_oT3 = hx_a7;
  hx_oT4 = hx_a8; hx_oT5 = hx_a9; hx_oT6 = hx_a10; hx_oT7 = hx_a11;
  hx_oFog = 1.0;
}
)";

const char kAlphaTestGlsl[] = R"(#ifdef HX_ALPHA_TEST
uniform int hx_alphaFunc;
uniform float hx_alphaRef;
bool hx_alphaPasses(float alpha) {
  float a = floor(clamp(alpha, 0.0, 1.0) * 255.0 + 0.5);
  float r = floor(clamp(hx_alphaRef, 0.0, 1.0) * 255.0 + 0.5);
  switch (hx_alphaFunc) {
    case 1: return false;
    case 2: return a < r;
    case 3: return a == r;
    case 4: return a <= r;
    case 5: return a > r;
    case 6: return a != r;
    case 7: return a >= r;
    default: return true;
  }
}
#endif
)";

// Stage-0 kinds of the default pixel program: 0 2D, 1 cube, 2 volume texture, or none.
constexpr int kNoTexture = 3;

// set: the texture coordinate set the stage reads. (vertex rgb x texture rgb, texture alpha);
// without texture the vertex colour.
std::string DefaultPixelGlsl(int kind, int set) {
  static const char* const kSampler[] = {"sampler2D", "samplerCube", "sampler3D"};
  const std::string in = "hx_oT" + std::to_string(set);
  const bool textured = kind != kNoTexture;
  const std::string sampled =
      textured ? "in vec4 " + in + ";\nuniform " + kSampler[kind] + " hx_s0;\n" : "";
  const std::string colour =
      textured ? "vec4(hx_oD0.rgb, 1.0) * texture(hx_s0, " + in + (kind == 0 ? ".xy" : ".xyz") + ")"
               : "hx_oD0";
  return "#version 330 core\nin vec4 hx_oD0;\n" + sampled + "out vec4 hx_color;\n" +
         kAlphaTestGlsl + "void main() {\n  vec4 c = " + colour + ";\n" +
         D3D9AlphaTestDiscardGlsl("c.a") + "  hx_color = c;\n}\n";
}

GLuint CompileShader(GLenum stage, const std::string& source, std::string* log) {
  GLuint shader = HX_GL(glCreateShader(stage));
  const char* text = source.c_str();
  HX_GL(glShaderSource(shader, 1, &text, nullptr));
  HX_GL(glCompileShader(shader));
  GLint ok = 0;
  HX_GL(glGetShaderiv(shader, GL_COMPILE_STATUS, &ok));
  if (ok) return shader;
  if (log) {
    char buffer[1024] = "";
    HX_GL(glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer));
    *log = buffer;
  }
  HX_GL(glDeleteShader(shader));
  return 0;
}

GLenum GlStage(ShaderStage stage) {
  return stage == ShaderStage::Vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER;
}

GLuint CompileTranslated(ShaderStage stage, const std::string& source) {
  std::string log;
  GLuint shader = CompileShader(GlStage(stage), source, &log);
  if (!shader) std::fprintf(stderr, "Direct3D: GLSL refused: %s\n", log.c_str());
  return shader;
}

// The creation calls take a stream without its length. The translator walks it instruction by
// instruction and stops at the end token, so a def constant whose bits equal the end token
// cannot cut it short; this bound (far above any shader model 2.0 program) only limits how far
// a stream without an end token is read.
constexpr size_t kMaxShaderWords = 1u << 16;

GLuint ShaderFromTokens(const DWORD* tokens, ShaderStage stage, ShaderTranslation& translation) {
  if (!tokens) return 0;
  translation = ShaderTranslation{};
  if (!TranslateShaderTokens(tokens, kMaxShaderWords, translation) || translation.stage != stage) {
    std::fprintf(stderr, "Direct3D: shader refused: %s\n", translation.error.c_str());
    return 0;
  }
  return CompileTranslated(stage, translation.source);
}

GLint UniformArraySize(GLuint program, const char* name) {
  GLint count = 0;
  HX_GL(glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count));
  for (GLint i = 0; i < count; ++i) {
    char text[64];
    GLint size = 0;
    GLenum type = 0;
    HX_GL(glGetActiveUniform(program, i, sizeof text, nullptr, &size, &type, text));
    if (std::strncmp(text, name, std::strlen(name)) == 0 && text[std::strlen(name)] == '[')
      return size;
  }
  return 0;
}

// Locations and sampler units of a freshly linked program.
void Introspect(D3D9Program& p, const uint8_t* samplerType) {
  const GLuint n = p.name;
  p.vc = HX_GL(glGetUniformLocation(n, "hx_vc"));
  p.pc = HX_GL(glGetUniformLocation(n, "hx_pc"));
  p.vcCount = p.vc >= 0 ? UniformArraySize(n, "hx_vc") : 0;
  p.pcCount = p.pc >= 0 ? UniformArraySize(n, "hx_pc") : 0;
  p.posFixup = HX_GL(glGetUniformLocation(n, "hx_posFixup"));
  p.alphaFunc = HX_GL(glGetUniformLocation(n, "hx_alphaFunc"));
  p.alphaRef = HX_GL(glGetUniformLocation(n, "hx_alphaRef"));
  p.viewport = HX_GL(glGetUniformLocation(n, "hx_viewport"));
  p.pretransformed = HX_GL(glGetUniformLocation(n, "hx_pretransformed"));
  p.alphaFuncValue = -1;
  p.alphaRefValue = -1.0f;
  p.posFixupValue[0] = p.viewportValue[2] = -1.0f;
  HX_GL(glUseProgram(n));
  for (int stage = 0; stage < kMaxStages; ++stage) {
    p.samplerType[stage] = samplerType[stage];
    const std::string name = "hx_s" + std::to_string(stage);
    const GLint location = HX_GL(glGetUniformLocation(n, name.c_str()));
    if (location >= 0) HX_GL(glUniform1i(location, stage));
  }
}

GLuint Link(GLuint vertex, GLuint pixel) {
  GLuint program = HX_GL(glCreateProgram());
  HX_GL(glAttachShader(program, vertex));
  HX_GL(glAttachShader(program, pixel));
  HX_GL(glBindFragDataLocation(program, 0, "hx_color"));
  HX_GL(glLinkProgram(program));
  GLint ok = 0;
  HX_GL(glGetProgramiv(program, GL_LINK_STATUS, &ok));
  if (ok) return program;
  char log[1024] = "";
  HX_GL(glGetProgramInfoLog(program, sizeof log, nullptr, log));
  std::fprintf(stderr, "Direct3D: program does not link: %s\n", log);
  HX_GL(glDeleteProgram(program));
  return 0;
}

// Stage-0 texture kind the default pixel program samples.
int StageZeroKind(const D3D9DeviceState& st) {
  const IDirect3DBaseTexture9* t = st.s.textures[0];
  if (!t) return kNoTexture;
  return t->glTarget == GL_TEXTURE_CUBE_MAP ? 1 : t->glTarget == GL_TEXTURE_3D ? 2 : 0;
}

}  // namespace

const char* D3D9AlphaTestGlsl() { return kAlphaTestGlsl; }

std::string D3D9AlphaTestDiscardGlsl(const char* alpha) {
  return std::string("#ifdef HX_ALPHA_TEST\n  if (!hx_alphaPasses(") + alpha +
         ")) discard;\n#endif\n";
}

D3D9Program* D3D9UseProgram(D3D9DeviceState& st) {
  const bool pretransformed = st.s.declaration && st.s.declaration->pretransformed;
  const IDirect3DVertexShader9* vs = pretransformed ? nullptr : st.s.vertexShader;
  const IDirect3DPixelShader9* ps = st.s.pixelShader;
  const int kind = ps ? 0 : StageZeroKind(st);
  const int set = static_cast<int>(st.s.stage[0][D3DTSS_TEXCOORDINDEX] & 7);
  // A test that always passes needs no variant of its own.
  const int test =
      st.s.render[D3DRS_ALPHATESTENABLE] && st.s.render[D3DRS_ALPHAFUNC] != D3DCMP_ALWAYS;
  const uint32_t vsKey = vs ? vs->serial : kFixedVertexKey + (pretransformed ? 1 : 0);
  const uint32_t psKey =
      (ps ? ps->serial : kDefaultPixelKeyBase + kind * 8 + set) | (test ? kAlphaTestKeyBit : 0);
  const uint64_t key = uint64_t{vsKey} << 32 | psKey;
  if (st.currentProgram && st.currentProgramKey == key) return st.currentProgram;
  auto found = st.programs.find(key);
  if (found == st.programs.end()) {
    if (!vs && !st.fixedVertexShader)
      st.fixedVertexShader = CompileShader(GL_VERTEX_SHADER, kFixedVertexGlsl, nullptr);
    GLuint& defaultPixel = st.defaultPixelShaders[test][kind][set];
    if (!ps && !defaultPixel) {
      const std::string source = DefaultPixelGlsl(kind, set);
      defaultPixel = CompileShader(GL_FRAGMENT_SHADER,
                                   test ? ShaderSourceWithAlphaTest(source) : source, nullptr);
    }
    const GLuint pixel = !ps ? defaultPixel : test ? ps->glShaderAlphaTest : ps->glShader;
    D3D9Program program{};
    program.name = Link(vs ? vs->glShader : st.fixedVertexShader, pixel);
    if (program.name) {
      uint8_t defaultTypes[kMaxStages] = {static_cast<uint8_t>(kind == kNoTexture ? 0 : 2 + kind)};
      Introspect(program, ps ? ps->samplerType : defaultTypes);
      if (program.pretransformed >= 0)
        HX_GL(glUniform1i(program.pretransformed, pretransformed ? 1 : 0));
      st.applied.program = program.name;
    }
    found = st.programs.emplace(key, program).first;
  }
  st.currentProgram = found->second.name ? &found->second : nullptr;
  st.currentProgramKey = key;
  return st.currentProgram;
}

static void ForgetPrograms(D3D9DeviceState& st, uint32_t serial) {
  for (auto it = st.programs.begin(); it != st.programs.end();) {
    if (uint32_t(it->first >> 32) == serial ||
        (uint32_t(it->first) & ~kAlphaTestKeyBit) == serial) {
      if (it->second.name) HX_GL(glDeleteProgram(it->second.name));
      if (st.applied.program == it->second.name) st.applied.program = 0;
      it = st.programs.erase(it);
    } else {
      ++it;
    }
  }
  st.currentProgram = nullptr;
}

void D3D9DeletePrograms(D3D9DeviceState& st) {
  for (auto& [key, program] : st.programs)
    if (program.name) HX_GL(glDeleteProgram(program.name));
  st.programs.clear();
  st.currentProgram = nullptr;
  if (st.fixedVertexShader) HX_GL(glDeleteShader(st.fixedVertexShader));
  for (auto& byTest : st.defaultPixelShaders)
    for (auto& byKind : byTest)
      for (GLuint shader : byKind)
        if (shader) HX_GL(glDeleteShader(shader));
}

// ---- Declarations and shaders ---------------------------------------------------------------

HRESULT IDirect3DDevice9::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                  IDirect3DVertexDeclaration9** out) {
  if (HRESULT fault = D3D9Enter("CreateVertexDeclaration", elements)) return fault;
  if (!elements || !out) return D3DERR_INVALIDCALL;
  auto* declaration = new IDirect3DVertexDeclaration9{};
  uint32_t n = 0;
  for (; elements[n].Stream != 0xFF; ++n) {
    const D3DVERTEXELEMENT9& e = elements[n];
    const bool knownType = e.Type <= D3DDECLTYPE_SHORT2;
    if (n == 16 || e.Stream >= kMaxStreams || !knownType) {
      delete declaration;
      return D3DERR_INVALIDCALL;
    }
    declaration->elements[n] = e;
    declaration->pretransformed |= e.Usage == D3DDECLUSAGE_POSITIONT;
  }
  declaration->count = n;
  D3D9ObjectInit(declaration, kKindDeclaration, this, D3DPOOL_DEFAULT);
  *out = declaration;
  return D3D_OK;
}

// Translates and compiles the stream into a new shader object of type T.
template <class T>
static HRESULT NewShader(IDirect3DDevice9* device, const DWORD* tokens, ShaderStage stage,
                         D3D9Kind kind, T** out, ShaderTranslation& translation) {
  if (!out) return D3DERR_INVALIDCALL;
  D3D9MakeCurrent(device);
  GLuint shader = ShaderFromTokens(tokens, stage, translation);
  if (!shader) return D3DERR_INVALIDCALL;
  *out = new T{};
  D3D9ObjectInit(*out, kind, device, D3DPOOL_DEFAULT);
  (*out)->glShader = shader;
  return D3D_OK;
}

HRESULT IDirect3DDevice9::CreateVertexShader(const DWORD* tokens, IDirect3DVertexShader9** out) {
  if (HRESULT fault = D3D9Enter("CreateVertexShader", tokens)) return fault;
  ShaderTranslation translation;
  return NewShader(this, tokens, ShaderStage::Vertex, kKindVertexShader, out, translation);
}

HRESULT IDirect3DDevice9::CreatePixelShader(const DWORD* tokens, IDirect3DPixelShader9** out) {
  if (HRESULT fault = D3D9Enter("CreatePixelShader", tokens)) return fault;
  ShaderTranslation translation;
  const HRESULT result =
      NewShader(this, tokens, ShaderStage::Pixel, kKindPixelShader, out, translation);
  if (result != D3D_OK) return result;
  std::memcpy((*out)->samplerType, translation.samplerType, sizeof(*out)->samplerType);
  (*out)->glShaderAlphaTest =
      CompileTranslated(ShaderStage::Pixel, ShaderSourceWithAlphaTest(translation.source));
  return D3D_OK;
}

void D3D9DestroyShaderObject(D3D9Object* object) {
  IDirect3DDevice9* device = object->device;
  if (object->kind == kKindDeclaration) {
    D3D9ObjectUnlink(object);
    delete static_cast<IDirect3DVertexDeclaration9*>(object);
    return;
  }
  const bool vertex = object->kind == kKindVertexShader;
  const auto* pixel = static_cast<IDirect3DPixelShader9*>(object);
  const GLuint shader =
      vertex ? static_cast<IDirect3DVertexShader9*>(object)->glShader : pixel->glShader;
  if (device) {
    D3D9MakeCurrent(device);
    ForgetPrograms(*device->state, object->serial);
    HX_GL(glDeleteShader(shader));
    if (!vertex && pixel->glShaderAlphaTest) HX_GL(glDeleteShader(pixel->glShaderAlphaTest));
  }
  D3D9ObjectUnlink(object);
  if (vertex)
    delete static_cast<IDirect3DVertexShader9*>(object);
  else
    delete static_cast<IDirect3DPixelShader9*>(object);
}
