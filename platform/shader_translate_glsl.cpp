// GLSL generation for a validated shader program. Every register is a vec4 local (inputs and
// outputs are copied in and out once), each instruction becomes one masked assignment.

#include <cstdio>
#include <sstream>

#include "platform/d3d9_internal.h"
#include "platform/shader_translate_program.h"

using namespace shadertok;

namespace {

constexpr const char* kHelpers = R"(float hx_log(float x) {
  float v = abs(x);
  return v == 0.0 ? -3.402823466e38 : log2(v);
}
// |x|^y, with any base to the power 0 giving 1 (0^0 included), which GLSL's pow leaves
// undefined.
float hx_pow(float x, float y) {
  return y == 0.0 ? 1.0 : pow(abs(x), y);
}
vec4 hx_lit(vec4 s) {
  vec4 d = vec4(1.0, max(s.x, 0.0), 0.0, 1.0);
  if (s.x > 0.0 && s.y > 0.0) d.z = pow(s.y, clamp(s.w, -128.0, 128.0));
  return d;
}
vec4 hx_nrm(vec4 s) {
  float f = dot(s.xyz, s.xyz);
  return s * (f != 0.0 ? inversesqrt(f) : 3.402823466e38);
}
)";

std::string N(uint32_t n) { return std::to_string(n); }

std::string MaskText(uint32_t mask) {
  if (mask == 0xF) return "";
  std::string text = ".";
  for (int i = 0; i < 4; ++i)
    if (mask & (1u << i)) text += "xyzw"[i];
  return text;
}

std::string SwizzleText(uint32_t swizzle) {
  if (swizzle == kSwizzleIdentity) return "";
  std::string text = ".";
  for (int i = 0; i < 4; ++i) text += "xyzw"[(swizzle >> (2 * i)) & 3];
  return text;
}

std::string FloatBits(uint32_t bits) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "uintBitsToFloat(0x%08Xu)", bits);
  return buffer;
}

struct Emitter {
  explicit Emitter(const ShaderProgram& program) : p(program) {}
  const ShaderProgram& p;
  std::ostringstream body;
  bool defined[256] = {};
  bool usedTexcoord[8] = {}, usedColour[2] = {};

  bool Ps11() const { return p.model == kPs11; }

  std::string PixelInput(const char* prefix, uint32_t n, bool* used) {
    used[n] = true;
    return prefix + N(n);
  }

  std::string Constant(uint32_t n) {
    std::string c = defined[n] ? "hx_def" + N(n) : (p.pixel() ? "hx_pc[" : "hx_vc[") + N(n) + "]";
    return Ps11() ? "clamp(" + c + ", -1.0, 1.0)" : c;  // ps_1_1 constants range -1..1
  }

  std::string RegisterName(uint32_t token) {
    const uint32_t n = RegNumber(token);
    switch (RegType(token)) {
      case kTemp: return "r" + N(n);
      case kInput: return p.pixel() ? PixelInput("hx_oD", n, usedColour) : "v" + N(n);
      case kConst: return Constant(n);
      case kAddrOrTexture: return Ps11() ? "t" + N(n) : PixelInput("hx_oT", n, usedTexcoord);
      case kRastOut: return n == 0 ? "oPos" : n == 1 ? "oFog" : "oPts";
      case kAttrOut: return "oD" + N(n);
      case kTexCrdOut: return "oT" + N(n);
      default: return "oC" + N(n);
    }
  }

  // A source operand: register, swizzle, then the modifier on the swizzled value.
  std::string Source(uint32_t token) {
    const std::string x = RegisterName(token) + SwizzleText(SrcSwizzle(token));
    switch (SrcModifier(token)) {
      case kSrcNegate: return "(-" + x + ")";
      case kSrcBias: return "(" + x + " - 0.5)";
      case kSrcBiasNegate: return "(0.5 - " + x + ")";
      case kSrcSign: return "(2.0 * (" + x + " - 0.5))";
      case kSrcSignNegate: return "(-2.0 * (" + x + " - 0.5))";
      case kSrcComplement: return "(1.0 - " + x + ")";
      default: return x;
    }
  }

  // Scalar operands take the last component of the (replicate) swizzle.
  std::string Scalar(uint32_t token) { return Source(token) + ".w"; }

  std::string Matrix(const ShaderInstruction& in) {
    const uint32_t rows = MatrixRows(in.info->opcode);
    const bool three = in.info->opcode >= kM3x4;
    const std::string a = Source(in.src[0]) + (three ? ".xyz" : "");
    std::string e = "vec4(";
    for (uint32_t i = 0; i < 4; ++i) {
      e += i ? ", " : "";
      e += i < rows ? "dot(" + a + ", " + Source(in.src[1] + i) + (three ? ".xyz)" : ")") : "0.0";
    }
    return e + ")";
  }

  std::string TextureLoad(const ShaderInstruction& in) {
    if (Ps11()) {
      const uint32_t n = RegNumber(in.dst);
      return "texture(hx_s" + N(n) + ", " + PixelInput("hx_oT", n, usedTexcoord) + ".xy)";
    }
    const uint32_t n = RegNumber(in.src[1]);
    const std::string s = "hx_s" + N(n), c = Source(in.src[0]);
    const bool flat = p.samplerType[n] == 2, cube = p.samplerType[n] == 3;
    const std::string coord = c + (flat ? ".xy" : ".xyz");
    switch (InstrControls(in.token)) {
      case kTexLoadProject:
        return cube ? "texture(" + s + ", " + coord + ")" : "textureProj(" + s + ", " + c + ")";
      case kTexLoadBias: return "texture(" + s + ", " + coord + ", " + c + ".w)";
      default: return "texture(" + s + ", " + coord + ")";
    }
  }

  // The value an arithmetic or texture instruction computes, as a vec4 expression.
  std::string Value(const ShaderInstruction& in) {
    auto s = [&](int i) { return Source(in.src[i]); };
    auto w = [&](int i) { return Scalar(in.src[i]); };
    switch (in.info->opcode) {
      case kMov: return s(0);
      case kAdd: return s(0) + " + " + s(1);
      case kSub: return s(0) + " - " + s(1);
      case kMad: return s(0) + " * " + s(1) + " + " + s(2);
      case kMul: return s(0) + " * " + s(1);
      case kRcp: return "vec4(1.0 / " + w(0) + ")";
      case kRsq: return "vec4(inversesqrt(abs(" + w(0) + ")))";
      case kDp3: return "vec4(dot(" + s(0) + ".xyz, " + s(1) + ".xyz))";
      case kDp4: return "vec4(dot(" + s(0) + ", " + s(1) + "))";
      case kMin: return "min(" + s(0) + ", " + s(1) + ")";
      case kMax: return "max(" + s(0) + ", " + s(1) + ")";
      case kSlt: return "vec4(lessThan(" + s(0) + ", " + s(1) + "))";
      case kSge: return "vec4(greaterThanEqual(" + s(0) + ", " + s(1) + "))";
      case kExp: return "vec4(exp2(" + w(0) + "))";
      case kLog: return "vec4(hx_log(" + w(0) + "))";
      case kLit: return "hx_lit(" + s(0) + ")";
      case kDst:
        return "vec4(1.0, " + s(0) + ".y * " + s(1) + ".y, " + s(0) + ".z, " + s(1) + ".w)";
      case kLrp: return s(0) + " * (" + s(1) + " - " + s(2) + ") + " + s(2);
      case kFrc: return "fract(" + s(0) + ")";
      case kPow: return "vec4(hx_pow(" + w(0) + ", " + w(1) + "))";
      case kCrs: return "vec4(cross(" + s(0) + ".xyz, " + s(1) + ".xyz), 0.0)";
      case kAbs: return "abs(" + s(0) + ")";
      case kNrm: return "hx_nrm(" + s(0) + ")";
      case kSinCos: return "vec4(cos(" + w(0) + "), sin(" + w(0) + "), 0.0, 0.0)";
      case kCnd: return "mix(" + s(2) + ", " + s(1) + ", greaterThan(" + s(0) + ", vec4(0.5)))";
      case kCmp:
        return "mix(" + s(2) + ", " + s(1) + ", greaterThanEqual(" + s(0) + ", vec4(0.0)))";
      case kDp2Add:
        return "vec4(" + s(0) + ".x * " + s(1) + ".x + " + s(0) + ".y * " + s(1) + ".y + " + w(2) +
               ")";
      case kTexCoord: {
        const std::string t = PixelInput("hx_oT", RegNumber(in.dst), usedTexcoord);
        return "vec4(clamp(" + t + ".xyz, 0.0, 1.0), 1.0)";
      }
      case kTex: return TextureLoad(in);
      default: return Matrix(in);
    }
  }

  // The destination modifiers applied to a value: ps_1_1 shift, saturate, ps_1_1 range.
  std::string Finish(const ShaderInstruction& in, const std::string& value) {
    std::string v = "(" + value + ")";
    const int shift = DstShift(in.dst);
    if (shift)
      v = "(" + v + (shift > 0 ? " * " : " / ") + N(1u << (shift > 0 ? shift : -shift)) + ".0)";
    if (DstResultMod(in.dst) & kResultSaturate) v = "clamp(" + v + ", 0.0, 1.0)";
    if (Ps11()) v = "clamp(" + v + ", -1.0, 1.0)";
    return v;
  }

  void Assign(const ShaderInstruction& in, const std::string& value) {
    const std::string mask = MaskText(DstMask(in.dst));
    body << "  " << RegisterName(in.dst) << mask << " = " << value << mask << ";\n";
  }

  // Discards when a tested component is below 0: x, y and z of the texture coordinates in
  // ps_1_x, all four components of the register in ps_2_0.
  void TexKill(const ShaderInstruction& in) {
    const bool ps1 = Ps11();
    const std::string tested =
        ps1 ? PixelInput("hx_oT", RegNumber(in.dst), usedTexcoord) + ".xyz" : RegisterName(in.dst);
    body << "  if (any(lessThan(" << tested << (ps1 ? ", vec3" : ", vec4") << "(0.0)))) discard;\n";
  }

  // Instructions in order; a co-issued pair reads its inputs before either writes.
  void Body() {
    for (size_t i = 0; i < p.code.size(); ++i) {
      const ShaderInstruction& in = p.code[i];
      const uint16_t op = in.info->opcode;
      if (op == kDcl || op == kDef || op == kNop) continue;
      if (op == kTexKill) {
        TexKill(in);
        continue;
      }
      const bool pairFirst = i + 1 < p.code.size() && p.code[i + 1].coissued();
      if (!pairFirst) {
        Assign(in, Finish(in, Value(in)));
        continue;
      }
      body << "  hx_ci = " << Finish(in, Value(in)) << ";\n";
      const ShaderInstruction& second = p.code[++i];
      Assign(second, Finish(second, Value(second)));
      Assign(in, "hx_ci");
    }
  }

  void Definitions(std::ostringstream& out) {
    for (const ShaderInstruction& in : p.code) {
      if (in.info->opcode != kDef) continue;
      const uint32_t n = RegNumber(in.dst);
      defined[n] = true;
      out << "  vec4 hx_def" << n << " = vec4(" << FloatBits(in.extra[0]) << ", "
          << FloatBits(in.extra[1]) << ", " << FloatBits(in.extra[2]) << ", "
          << FloatBits(in.extra[3]) << ");\n";
    }
  }

  static void Locals(std::ostringstream& out, const char* prefix, int count, const char* init) {
    for (int i = 0; i < count; ++i) out << "  vec4 " << prefix << i << " = " << init << ";\n";
  }

  std::string Vertex() {
    std::ostringstream head, main;
    head << "#version 330 core\n";
    bool location[16] = {};
    for (uint32_t v = 0; v < 16; ++v) {
      const uint32_t l = p.inputLocation[v];
      if (l == ~0u) continue;
      if (!location[l]) head << "layout(location = " << l << ") in vec4 hx_a" << l << ";\n";
      location[l] = true;
      main << "  vec4 v" << v << " = hx_a" << l << ";\n";
    }
    head << "uniform vec4 hx_vc[256];\nuniform vec4 hx_posFixup;\n"
            "out vec4 hx_oD0;\nout vec4 hx_oD1;\n";
    for (int i = 0; i < 8; ++i) head << "out vec4 hx_oT" << i << ";\n";
    head << "out float hx_oFog;\n" << kHelpers << "void main() {\n  vec4 hx_ci;\n";
    Locals(head, "r", 12, "vec4(0.0)");
    head << "  vec4 oPos = vec4(0.0, 0.0, 0.0, 1.0);\n  vec4 oFog = vec4(0.0);\n"
            "  vec4 oPts = vec4(0.0);\n";
    Locals(head, "oD", 2, "vec4(0.0)");
    Locals(head, "oT", 8, "vec4(0.0)");
    Definitions(head);
    Body();
    head << main.str() << body.str();
    head << "  hx_oD0 = clamp(oD0, 0.0, 1.0);\n  hx_oD1 = clamp(oD1, 0.0, 1.0);\n";
    for (int i = 0; i < 8; ++i) head << "  hx_oT" << i << " = oT" << i << ";\n";
    head << "  hx_oFog = oFog.x;\n"
            "  gl_Position = vec4(oPos.x + hx_posFixup.x * oPos.w, -oPos.y + hx_posFixup.y * "
            "oPos.w,\n                     2.0 * oPos.z - oPos.w, oPos.w);\n}\n";
    return head.str();
  }

  std::string Pixel() {
    std::ostringstream head, locals;
    Definitions(locals);
    Body();
    head << "#version 330 core\n";
    for (int i = 0; i < 8; ++i)
      if (usedTexcoord[i]) head << "in vec4 hx_oT" << i << ";\n";
    for (int i = 0; i < 2; ++i)
      if (usedColour[i]) head << "in vec4 hx_oD" << i << ";\n";
    head << "uniform vec4 hx_pc[32];\n";
    static const char* const kSamplers[] = {"", "", "sampler2D", "samplerCube", "sampler3D"};
    for (int i = 0; i < 16; ++i)
      if (p.samplerType[i])
        head << "uniform " << kSamplers[p.samplerType[i]] << " hx_s" << i << ";\n";
    // The device's alpha test (compared on 8-bit values) serves its own programs as well.
    head << "out vec4 hx_color;\n"
         << kHelpers << D3D9AlphaTestGlsl() << "void main() {\n  vec4 hx_ci;\n";
    Locals(head, "r", Ps11() ? 2 : 12, "vec4(0.0)");
    Locals(head, Ps11() ? "t" : "oC", 4, "vec4(0.0)");
    head << locals.str() << body.str();
    head << "  vec4 hx_out = " << (Ps11() ? "clamp(r0, 0.0, 1.0)" : "oC0") << ";\n"
         << D3D9AlphaTestDiscardGlsl("hx_out.a") << "  hx_color = hx_out;\n}\n";
    return head.str();
  }
};

}  // namespace

std::string EmitShaderGlsl(const ShaderProgram& program) {
  Emitter emitter{program};
  return program.pixel() ? emitter.Pixel() : emitter.Vertex();
}
