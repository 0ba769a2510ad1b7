#pragma once
// The shader token format shared by the translator (which decodes it) and the shader
// assembler (which encodes it): version and end tokens, register types, the opcode table and
// the bit layouts of instruction, destination and source tokens. Header only, no state.
//
// Bit layouts (32-bit little-endian words):
//   version      minor 0-7, major 8-15, 0xFFFE vertex / 0xFFFF pixel in 16-31
//   instruction  opcode 0-15, controls 16-23, length 24-27 (words that follow, 2.0 only),
//                predicated 28, co-issue 30 (pixel 1.x only)
//   register     number 0-10, type bits 3-4 in 11-12, relative 13, type bits 0-2 in 28-30, 31 set
//   destination  register | write mask 16-19 | result modifier 20-23 | shift 24-27 (ps 1.x)
//   source       register | swizzle 16-23 (2 bits per component) | source modifier 24-27

#include <cstdint>
#include <string_view>

namespace shadertok {

constexpr uint32_t kEndToken = 0x0000FFFF;
constexpr uint32_t kCommentLow = 0xFFFE;  // low 16 bits of a comment token
constexpr uint32_t kVertexVersionHigh = 0xFFFE;
constexpr uint32_t kPixelVersionHigh = 0xFFFF;

constexpr uint32_t VersionToken(bool pixel, uint32_t major, uint32_t minor) {
  return ((pixel ? kPixelVersionHigh : kVertexVersionHigh) << 16) | (major << 8) | minor;
}

// The four shader models the system carries, as a bit set for the opcode table.
enum Model : uint8_t { kVs11 = 1, kVs20 = 2, kPs11 = 4, kPs20 = 8 };
constexpr uint8_t kAllModels = kVs11 | kVs20 | kPs11 | kPs20;
constexpr uint8_t kVertexModels = kVs11 | kVs20;

// Model bit of a version token; 0 for every other version.
constexpr uint8_t ModelOfVersion(uint32_t token) {
  switch (token) {
    case 0xFFFE0101: return kVs11;
    case 0xFFFE0200: return kVs20;
    case 0xFFFF0101: return kPs11;
    case 0xFFFF0200: return kPs20;
    default: return 0;
  }
}

enum RegisterType : uint8_t {
  kTemp = 0,
  kInput = 1,
  kConst = 2,
  kAddrOrTexture = 3,  // a0 in vertex programs, t# in pixel programs
  kRastOut = 4,        // oPos 0, oFog 1, oPts 2
  kAttrOut = 5,        // oD0, oD1
  kTexCrdOut = 6,      // oT0..oT7
  kColorOut = 8,       // oC0..oC3
  kDepthOut = 9,
  kSampler = 10,
};

// How an opcode's operands are laid out after the instruction token.
enum class Operands : uint8_t {
  None,     // nop
  DstSrc,   // destination then `sources` source tokens
  Dcl,      // declaration word, destination
  Def,      // destination, four raw float words
  DstOnly,  // ps 1.x tex, texcoord; texkill (its destination is read as a source)
  TexLoad,  // ps 1.x: tex tN (destination only); ps 2.0: texld dst, coord, sampler
};

struct OpcodeInfo {
  std::string_view name;
  uint16_t opcode;
  Operands layout;
  uint8_t sources;  // source tokens (DstSrc)
  uint8_t models;   // where the opcode is allowed
};

enum Opcode : uint16_t {
  kNop = 0,
  kMov = 1,
  kAdd = 2,
  kSub = 3,
  kMad = 4,
  kMul = 5,
  kRcp = 6,
  kRsq = 7,
  kDp3 = 8,
  kDp4 = 9,
  kMin = 10,
  kMax = 11,
  kSlt = 12,
  kSge = 13,
  kExp = 14,
  kLog = 15,
  kLit = 16,
  kDst = 17,
  kLrp = 18,
  kFrc = 19,
  kM4x4 = 20,
  kM4x3 = 21,
  kM3x4 = 22,
  kM3x3 = 23,
  kM3x2 = 24,
  kDcl = 31,
  kPow = 32,
  kCrs = 33,
  kAbs = 35,
  kNrm = 36,
  kSinCos = 37,
  kTexCoord = 64,
  kTexKill = 65,
  kTex = 66,
  kCnd = 80,
  kDef = 81,
  kCmp = 88,
  kDp2Add = 90,
};

inline constexpr OpcodeInfo kOpcodes[] = {
    {"nop", kNop, Operands::None, 0, kAllModels},
    {"mov", kMov, Operands::DstSrc, 1, kAllModels},
    {"add", kAdd, Operands::DstSrc, 2, kAllModels},
    {"sub", kSub, Operands::DstSrc, 2, kAllModels},
    {"mad", kMad, Operands::DstSrc, 3, kAllModels},
    {"mul", kMul, Operands::DstSrc, 2, kAllModels},
    {"rcp", kRcp, Operands::DstSrc, 1, kVertexModels | kPs20},
    {"rsq", kRsq, Operands::DstSrc, 1, kVertexModels | kPs20},
    {"dp3", kDp3, Operands::DstSrc, 2, kAllModels},
    {"dp4", kDp4, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"min", kMin, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"max", kMax, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"slt", kSlt, Operands::DstSrc, 2, kVertexModels},
    {"sge", kSge, Operands::DstSrc, 2, kVertexModels},
    {"exp", kExp, Operands::DstSrc, 1, kVertexModels | kPs20},
    {"log", kLog, Operands::DstSrc, 1, kVertexModels | kPs20},
    {"lit", kLit, Operands::DstSrc, 1, kVertexModels},
    {"dst", kDst, Operands::DstSrc, 2, kVertexModels},
    {"lrp", kLrp, Operands::DstSrc, 3, kPs11 | kPs20 | kVs20},
    {"frc", kFrc, Operands::DstSrc, 1, kVertexModels | kPs20},
    {"m4x4", kM4x4, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"m4x3", kM4x3, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"m3x4", kM3x4, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"m3x3", kM3x3, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"m3x2", kM3x2, Operands::DstSrc, 2, kVertexModels | kPs20},
    {"dcl", kDcl, Operands::Dcl, 0, kVertexModels | kPs20},
    {"pow", kPow, Operands::DstSrc, 2, kVs20 | kPs20},
    {"crs", kCrs, Operands::DstSrc, 2, kVs20 | kPs20},
    {"abs", kAbs, Operands::DstSrc, 1, kVs20 | kPs20},
    {"nrm", kNrm, Operands::DstSrc, 1, kVs20 | kPs20},
    {"sincos", kSinCos, Operands::DstSrc, 3, kVs20 | kPs20},
    {"texcoord", kTexCoord, Operands::DstOnly, 0, kPs11},
    {"texkill", kTexKill, Operands::DstOnly, 0, kPs11 | kPs20},
    {"tex", kTex, Operands::TexLoad, 0, kPs11},
    {"texld", kTex, Operands::TexLoad, 2, kPs20},
    {"cnd", kCnd, Operands::DstSrc, 3, kPs11},
    {"def", kDef, Operands::Def, 0, kAllModels},
    {"cmp", kCmp, Operands::DstSrc, 3, kPs20},
    {"dp2add", kDp2Add, Operands::DstSrc, 3, kPs20},
};

// The table row of an opcode allowed in `model`; null when unknown there.
constexpr const OpcodeInfo* FindOpcode(uint16_t opcode, uint8_t model) {
  for (const OpcodeInfo& info : kOpcodes)
    if (info.opcode == opcode && (info.models & model)) return &info;
  return nullptr;
}

// Words that follow the instruction token (register tokens, declaration and float words).
constexpr uint32_t OperandWords(const OpcodeInfo& info, uint8_t model) {
  switch (info.layout) {
    case Operands::None: return 0;
    case Operands::DstSrc: return 1u + info.sources;
    case Operands::Dcl: return 2;
    case Operands::Def: return 5;
    case Operands::DstOnly: return 1;
    case Operands::TexLoad: return model == kPs11 ? 1 : 3;
  }
  return 0;
}

// Rows a matrix opcode reads from consecutive registers of its second source; 0 for others.
constexpr uint32_t MatrixRows(uint16_t opcode) {
  switch (opcode) {
    case kM4x4:
    case kM3x4: return 4;
    case kM4x3:
    case kM3x3: return 3;
    case kM3x2: return 2;
    default: return 0;
  }
}

// ---- Instruction fields -----------------------------------------------------------------
constexpr uint32_t kCoIssueBit = 1u << 30;
constexpr uint32_t kPredicatedBit = 1u << 28;
constexpr uint32_t kTexLoadProject = 1;  // texldp: controls value
constexpr uint32_t kTexLoadBias = 2;     // texldb

constexpr uint32_t InstructionToken(uint16_t opcode, uint32_t controls, uint32_t length,
                                    bool coissue) {
  return opcode | (controls << 16) | (length << 24) | (coissue ? kCoIssueBit : 0);
}
constexpr uint16_t InstrOpcode(uint32_t t) { return t & 0xFFFF; }
constexpr uint32_t InstrControls(uint32_t t) { return (t >> 16) & 0xFF; }
constexpr uint32_t InstrLength(uint32_t t) { return (t >> 24) & 0xF; }

// ---- Register fields --------------------------------------------------------------------
constexpr uint32_t kRelativeBit = 1u << 13;
constexpr uint32_t kResultSaturate = 1, kResultPartial = 2, kResultCentroid = 4;
constexpr uint8_t kSwizzleIdentity = 0xE4;  // .xyzw

enum SourceModifier : uint8_t {
  kSrcNone = 0,
  kSrcNegate = 1,
  kSrcBias = 2,
  kSrcBiasNegate = 3,
  kSrcSign = 4,
  kSrcSignNegate = 5,
  kSrcComplement = 6,
};

constexpr uint32_t RegisterField(uint32_t type, uint32_t number) {
  return 0x80000000u | ((type & 7) << 28) | ((type & 0x18) << 8) | (number & 0x7FF);
}
constexpr uint32_t DestinationToken(uint32_t type, uint32_t number, uint32_t mask,
                                    uint32_t resultMod, uint32_t shift) {
  return RegisterField(type, number) | ((mask & 0xF) << 16) | ((resultMod & 0xF) << 20) |
         ((shift & 0xF) << 24);
}
constexpr uint32_t SourceToken(uint32_t type, uint32_t number, uint32_t swizzle,
                               uint32_t modifier) {
  return RegisterField(type, number) | ((swizzle & 0xFF) << 16) | ((modifier & 0xF) << 24);
}
constexpr uint32_t RegType(uint32_t t) { return ((t >> 28) & 7) | ((t >> 8) & 0x18); }
constexpr uint32_t RegNumber(uint32_t t) { return t & 0x7FF; }
constexpr uint32_t DstMask(uint32_t t) { return (t >> 16) & 0xF; }
constexpr uint32_t DstResultMod(uint32_t t) { return (t >> 20) & 0xF; }
// The shift of a ps 1.x destination as a signed power of two (-8..7): 1 = _x2, -1 = _d2.
constexpr int DstShift(uint32_t t) {
  int s = static_cast<int>((t >> 24) & 0xF);
  return s >= 8 ? s - 16 : s;
}
constexpr uint32_t SrcSwizzle(uint32_t t) { return (t >> 16) & 0xFF; }
constexpr uint32_t SrcModifier(uint32_t t) { return (t >> 24) & 0xF; }

// ---- Declarations -----------------------------------------------------------------------
// Vertex input: usage 0-4, usage index 16-19. Sampler: texture type 27-30 (2 2D, 3 cube,
// 4 volume). Bit 31 always set.
constexpr uint32_t DclUsageWord(uint32_t usage, uint32_t index) {
  return 0x80000000u | (usage & 0x1F) | ((index & 0xF) << 16);
}
constexpr uint32_t DclSamplerWord(uint32_t textureType) {
  return 0x80000000u | ((textureType & 0xF) << 27);
}
constexpr uint32_t DclUsage(uint32_t w) { return w & 0x1F; }
constexpr uint32_t DclUsageIndex(uint32_t w) { return (w >> 16) & 0xF; }
constexpr uint32_t DclTextureType(uint32_t w) { return (w >> 27) & 0xF; }

}  // namespace shadertok
