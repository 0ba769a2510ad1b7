// Token stream decoding and validation. Every word is read through a bounds check against
// maxWords, so a truncated or malformed stream ends in a refusal, never in a read past it.

#include "platform/shader_translate.h"

#include "platform/shader_translate_program.h"

using namespace shadertok;

namespace {

enum class Role : uint8_t { Src, Dst, Dcl, Def };

// Register file sizes per shader model and role; 0 means "not allowed there".
uint32_t RegisterCount(uint8_t model, Role role, uint32_t type) {
  const bool vs = model & kVertexModels;
  switch (role) {
    case Role::Def: return type == kConst ? (vs ? 256 : model == kPs11 ? 8 : 32) : 0;
    case Role::Dcl:
      if (vs) return type == kInput ? 16 : 0;
      if (model == kPs11) return 0;
      return type == kAddrOrTexture ? 8 : type == kInput ? 2 : type == kSampler ? 16 : 0;
    case Role::Dst:
      if (vs) {
        switch (type) {
          case kTemp: return 12;
          case kRastOut: return 3;
          case kAttrOut: return 2;
          case kTexCrdOut: return 8;
          default: return 0;
        }
      }
      if (model == kPs11) return type == kTemp ? 2 : type == kAddrOrTexture ? 4 : 0;
      return type == kTemp ? 12 : type == kColorOut ? 4 : 0;
    case Role::Src:
      switch (type) {
        case kTemp: return model == kPs11 ? 2 : 12;
        case kInput: return vs ? 16 : 2;
        case kConst: return vs ? 256 : model == kPs11 ? 8 : 32;
        case kAddrOrTexture: return vs ? 0 : model == kPs11 ? 4 : 8;
        default: return 0;
      }
  }
  return 0;
}

struct Parser {
  const uint32_t* tokens;
  size_t maxWords;
  size_t pos;  // word index of the instruction being decoded
  ShaderProgram& program;
  std::string& error;
  bool wrotePosition = false;

  bool Fail(const std::string& why) {
    error = "word " + std::to_string(pos) + ": " + why;
    return false;
  }

  bool CheckRegister(uint32_t token, Role role, uint32_t rows = 1) {
    const uint32_t type = RegType(token), number = RegNumber(token);
    if (!(token & 0x80000000u)) return Fail("operand token without bit 31");
    if (token & kRelativeBit) return Fail("relative addressing is not supported");
    const uint32_t count = RegisterCount(program.model, role, type);
    if (count == 0) return Fail("register type " + std::to_string(type) + " not allowed here");
    if (number + rows > count)
      return Fail("register number " + std::to_string(number) + " out of range");
    return true;
  }

  bool CheckDestination(uint32_t token, Role role) {
    if (!CheckRegister(token, role)) return false;
    if (DstMask(token) == 0) return Fail("empty write mask");
    const uint32_t allowedMods = program.pixel() ? 7 : 0;
    if (DstResultMod(token) & ~allowedMods) return Fail("result modifier not allowed");
    if (DstShift(token) != 0 && program.model != kPs11) return Fail("shift outside ps_1_1");
    if (RegType(token) == kRastOut && RegNumber(token) == 0) wrotePosition = true;
    return true;
  }

  bool CheckSource(uint32_t token, uint32_t rows = 1) {
    if (!CheckRegister(token, Role::Src, rows)) return false;
    const uint32_t mod = SrcModifier(token);
    if (mod > (program.model == kPs11 ? kSrcComplement : kSrcNegate))
      return Fail("source modifier " + std::to_string(mod) + " not allowed");
    if (RegType(token) == kInput && !program.pixel() &&
        program.inputLocation[RegNumber(token)] == ~0u)
      return Fail("input v" + std::to_string(RegNumber(token)) + " read before its dcl");
    return true;
  }

  bool CheckDcl(ShaderInstruction& in) {
    const uint32_t word = in.extra[0], reg = in.dst;
    if (!(word & 0x80000000u) || !CheckDestination(reg, Role::Dcl)) return Fail("bad dcl");
    const uint32_t n = RegNumber(reg);
    if (!program.pixel()) {
      int location = ShaderAttributeLocation(DclUsage(word), DclUsageIndex(word));
      if (location < 0) return Fail("input usage not supported");
      program.inputLocation[n] = static_cast<uint32_t>(location);
    } else if (RegType(reg) == kSampler) {
      const uint32_t kind = DclTextureType(word);
      if (kind < 2 || kind > 4) return Fail("unknown sampler type");
      program.samplerType[n] = static_cast<uint8_t>(kind);
    }
    return true;
  }

  bool CheckOperands(ShaderInstruction& in) {
    const uint16_t op = in.info->opcode;
    switch (in.info->layout) {
      case Operands::None: return true;
      case Operands::Dcl: return CheckDcl(in);
      case Operands::Def: return CheckDestination(in.dst, Role::Def);
      case Operands::DstOnly:
        if (program.model != kPs11) {  // texkill reads a temporary or texture register
          if (RegType(in.dst) != kTemp && RegType(in.dst) != kAddrOrTexture)
            return Fail("texkill expects a temporary or texture register");
          return CheckSource(in.dst);
        }
        if (!CheckRegister(in.dst, Role::Dst)) return false;
        if (RegType(in.dst) != kAddrOrTexture) return Fail("expects a texture register");
        return true;
      case Operands::TexLoad:
        if (program.model == kPs11) {
          if (!CheckDestination(in.dst, Role::Dst) || RegType(in.dst) != kAddrOrTexture)
            return Fail("tex expects a texture register");
          program.samplerType[RegNumber(in.dst)] = 2;
          return true;
        }
        if (!CheckDestination(in.dst, Role::Dst) || RegType(in.dst) != kTemp)
          return Fail("texld writes a temporary register");
        if (!CheckSource(in.src[0])) return false;
        if (RegType(in.src[1]) != kSampler || !(in.src[1] & 0x80000000u) ||
            RegNumber(in.src[1]) >= 16 || !program.samplerType[RegNumber(in.src[1])])
          return Fail("texld needs a declared sampler");
        if (InstrControls(in.token) > kTexLoadBias) return Fail("unknown texld controls");
        return true;
      case Operands::DstSrc:
        if (!CheckDestination(in.dst, Role::Dst)) return false;
        for (uint8_t i = 0; i < in.sources; ++i)
          if (!CheckSource(in.src[i], i == 1 && MatrixRows(op) ? MatrixRows(op) : 1)) return false;
        return true;
    }
    return false;
  }

  // Decodes the instruction at pos; `words` operand words follow it (already bounds-checked).
  bool Decode(uint32_t token, const OpcodeInfo& info, uint32_t words) {
    ShaderInstruction in{&info, token, 0, {}, 0, {}};
    const uint32_t* operands = tokens + pos + 1;
    if (info.layout == Operands::Dcl) {
      in.extra[0] = operands[0];
      in.dst = operands[1];
    } else if (words > 0) {
      in.dst = operands[0];
      if (info.layout == Operands::Def) {
        for (int i = 0; i < 4; ++i) in.extra[i] = operands[1 + i];
      } else {
        in.sources = static_cast<uint8_t>(words - 1);
        for (uint32_t i = 0; i < in.sources; ++i) in.src[i] = operands[1 + i];
      }
    }
    if (InstrControls(token) && !(info.layout == Operands::TexLoad && program.model == kPs20))
      return Fail("unexpected instruction controls");
    if (in.coissued() && (program.model != kPs11 || program.code.empty()))
      return Fail("co-issue outside ps_1_1");
    if (!CheckOperands(in)) return false;
    program.code.push_back(in);
    return true;
  }

  bool Run() {
    for (pos = 1;;) {
      if (pos >= maxWords) return Fail("stream ends without an end token");
      const uint32_t token = tokens[pos];
      if (token == kEndToken) break;
      if ((token & 0xFFFF) == kCommentLow) {
        const size_t length = (token >> 16) & 0x7FFF;
        if (token & 0x80000000u || length >= maxWords - pos) return Fail("bad comment block");
        pos += 1 + length;
        continue;
      }
      const OpcodeInfo* info = FindOpcode(InstrOpcode(token), program.model);
      if (!info) return Fail("unknown opcode " + std::to_string(InstrOpcode(token)));
      if (token & (0x80000000u | kPredicatedBit)) return Fail("bad instruction token");
      const uint32_t words = OperandWords(*info, program.model);
      const uint32_t stated = InstrLength(token);
      if (stated != ((program.model & (kVs20 | kPs20)) ? words : 0))
        return Fail("instruction length " + std::to_string(stated) + " is wrong");
      if (words >= maxWords - pos) return Fail("operands run past the end");
      if (!Decode(token, *info, words)) return false;
      pos += 1 + words;
    }
    if (!program.pixel() && !wrotePosition) return Fail("oPos is never written");
    return true;
  }
};

}  // namespace

bool ParseShaderProgram(const uint32_t* tokens, size_t maxWords, ShaderProgram& program,
                        std::string& error) {
  program.code.clear();
  for (uint32_t& location : program.inputLocation) location = ~0u;
  for (uint8_t& type : program.samplerType) type = 0;
  if (!tokens || maxWords == 0) {
    error = "empty stream";
    return false;
  }
  program.model = ModelOfVersion(tokens[0]);
  if (!program.model) {
    error = "word 0: unsupported version token";
    return false;
  }
  Parser parser{tokens, maxWords, 0, program, error};
  return parser.Run();
}

bool TranslateShaderTokens(const uint32_t* tokens, size_t maxWords, ShaderTranslation& out) {
  ShaderProgram program;
  out.source.clear();
  out.error.clear();
  if (!ParseShaderProgram(tokens, maxWords, program, out.error)) return false;
  out.stage = program.pixel() ? ShaderStage::Pixel : ShaderStage::Vertex;
  out.major = static_cast<uint8_t>((tokens[0] >> 8) & 0xFF);
  out.minor = static_cast<uint8_t>(tokens[0] & 0xFF);
  for (int i = 0; i < 16; ++i) out.samplerType[i] = program.samplerType[i];
  out.source = EmitShaderGlsl(program);
  return true;
}

std::string ShaderSourceWithAlphaTest(const std::string& source) {
  const size_t line = source.find('\n') + 1;
  return source.substr(0, line) + "#define HX_ALPHA_TEST\n" + source.substr(line);
}
