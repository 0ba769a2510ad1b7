#include "tools/shaderasm/shader_asm.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/shader_translate_tokens.h"

namespace {

using namespace shadertok;

// ---- Text helpers -----------------------------------------------------------------------

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= s.size(); ++i) {
    if (i == s.size() || s[i] == sep) {
      parts.emplace_back(Trim(s.substr(start, i - start)));
      start = i + 1;
    }
  }
  return parts;
}

bool TakePrefix(std::string& s, std::string_view prefix) {
  if (s.compare(0, prefix.size(), prefix) != 0) return false;
  s.erase(0, prefix.size());
  return true;
}

bool TakeSuffix(std::string& s, std::string_view suffix) {
  if (s.size() < suffix.size() || s.compare(s.size() - suffix.size(), suffix.size(), suffix))
    return false;
  s.erase(s.size() - suffix.size());
  return true;
}

// Decimal digits only, at most 4; -1 otherwise.
int ParseIndex(std::string_view s) {
  if (s.empty() || s.size() > 4) return -1;
  int n = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

int ComponentIndex(char c) {
  switch (c) {
    case 'x':
    case 'r': return 0;
    case 'y':
    case 'g': return 1;
    case 'z':
    case 'b': return 2;
    case 'w':
    case 'a': return 3;
    default: return -1;
  }
}

// ---- Registers --------------------------------------------------------------------------

struct Reg {
  uint32_t type = 0, number = 0;
  std::string components;  // text after '.', empty when none
};

struct NamedRegister {
  std::string_view prefix;
  uint8_t type;
  bool numbered;  // a number follows the prefix
  uint32_t fixedNumber;
  uint8_t models;
};

constexpr NamedRegister kRegisterNames[] = {
    {"opos", kRastOut, false, 0, kVertexModels},
    {"ofog", kRastOut, false, 1, kVertexModels},
    {"opts", kRastOut, false, 2, kVertexModels},
    {"odepth", kDepthOut, false, 0, kPs20},
    {"od", kAttrOut, true, 0, kVertexModels},
    {"ot", kTexCrdOut, true, 0, kVertexModels},
    {"oc", kColorOut, true, 0, kPs20},
    {"r", kTemp, true, 0, kAllModels},
    {"v", kInput, true, 0, kAllModels},
    {"c", kConst, true, 0, kAllModels},
    {"t", kAddrOrTexture, true, 0, kPs11 | kPs20},
    {"a", kAddrOrTexture, true, 0, kVertexModels},
    {"s", kSampler, true, 0, kPs20},
};

bool ParseRegister(std::string text, uint8_t model, Reg& reg) {
  size_t dot = text.find('.');
  if (dot != std::string::npos) {
    reg.components = text.substr(dot + 1);
    text.erase(dot);
  }
  for (const NamedRegister& named : kRegisterNames) {
    if (text.compare(0, named.prefix.size(), named.prefix) != 0 || !(named.models & model))
      continue;
    std::string_view rest = std::string_view(text).substr(named.prefix.size());
    int number = named.numbered ? ParseIndex(rest) : (rest.empty() ? 0 : -1);
    if (number < 0 || number > 0x7FF) return false;
    reg.type = named.type;
    reg.number = named.numbered ? static_cast<uint32_t>(number) : named.fixedNumber;
    return true;
  }
  return false;
}

// Write mask from "xyz" style text: letters in order, none repeated; empty gives all four.
bool ParseMask(const std::string& text, uint32_t& mask) {
  if (text.empty()) {
    mask = 0xF;
    return true;
  }
  mask = 0;
  int last = -1;
  for (char c : text) {
    int i = ComponentIndex(c);
    if (i <= last) return false;
    mask |= 1u << i;
    last = i;
  }
  return true;
}

// Swizzle from 1 to 4 letters; fewer than four repeat the last letter.
bool ParseSwizzle(const std::string& text, uint32_t& swizzle) {
  if (text.empty()) {
    swizzle = kSwizzleIdentity;
    return true;
  }
  if (text.size() > 4) return false;
  swizzle = 0;
  for (size_t i = 0; i < 4; ++i) {
    int c = ComponentIndex(text[i < text.size() ? i : text.size() - 1]);
    if (c < 0) return false;
    swizzle |= static_cast<uint32_t>(c) << (2 * i);
  }
  return true;
}

// ---- One instruction --------------------------------------------------------------------

struct Line {
  uint8_t model;
  std::string error;
  std::vector<uint32_t> words;  // operand words after the instruction token
};

bool ParseDestination(const std::string& text, uint32_t resultMod, uint32_t shift, Line& line) {
  Reg reg;
  uint32_t mask;
  if (!ParseRegister(text, line.model, reg) || !ParseMask(reg.components, mask)) {
    line.error = "bad destination '" + text + "'";
    return false;
  }
  line.words.push_back(DestinationToken(reg.type, reg.number, mask, resultMod, shift));
  return true;
}

bool ParseSource(std::string text, Line& line) {
  const std::string original = text;
  bool negate = TakePrefix(text, "-");
  bool complement = TakePrefix(text, "1-");
  size_t dot = text.find('.');
  std::string swizzleText = dot == std::string::npos ? "" : text.substr(dot);
  text.erase(text.size() - swizzleText.size());
  uint32_t modifier = kSrcNone;
  if (complement) {
    modifier = negate ? 0xFFu : uint32_t{kSrcComplement};  // no negated complement exists
  } else if (TakeSuffix(text, "_bx2")) {
    modifier = negate ? kSrcSignNegate : kSrcSign;
  } else if (TakeSuffix(text, "_bias")) {
    modifier = negate ? kSrcBiasNegate : kSrcBias;
  } else if (negate) {
    modifier = kSrcNegate;
  }
  Reg reg;
  uint32_t swizzle;
  if (modifier > 0xF || !ParseRegister(text + swizzleText, line.model, reg) ||
      !ParseSwizzle(reg.components, swizzle)) {
    line.error = "bad source '" + original + "'";
    return false;
  }
  line.words.push_back(SourceToken(reg.type, reg.number, swizzle, modifier));
  return true;
}

bool ParseFloatWord(const std::string& text, Line& line) {
  char* end = nullptr;
  float value = std::strtof(text.c_str(), &end);
  if (text.empty() || *end != '\0') {
    line.error = "bad number '" + text + "'";
    return false;
  }
  uint32_t bits;
  std::memcpy(&bits, &value, 4);
  line.words.push_back(bits);
  return true;
}

constexpr std::string_view kUsageNames[] = {
    "position", "blendweight", "blendindices", "normal", "psize", "texcoord", "tangent",
    "binormal", "tessfactor",  "positiont",    "color",  "fog",   "depth",    "sample"};

// The declaration word of "dcl_<suffix>" for the register that follows; 0 when unknown.
uint32_t DeclarationWord(const std::string& suffix, const Reg& reg, uint8_t model) {
  if (model == kPs20) {
    if (reg.type == kSampler) {
      if (suffix == "2d") return DclSamplerWord(2);
      if (suffix == "cube") return DclSamplerWord(3);
      if (suffix == "volume") return DclSamplerWord(4);
      return 0;
    }
    return suffix.empty() ? DclUsageWord(0, 0) : 0;
  }
  for (uint32_t usage = 0; usage < std::size(kUsageNames); ++usage) {
    const std::string_view name = kUsageNames[usage];
    if (suffix.compare(0, name.size(), name) != 0) continue;
    std::string_view rest = std::string_view(suffix).substr(name.size());
    int index = rest.empty() ? 0 : ParseIndex(rest);
    // "position" is a prefix of "positiont": the index must parse for the shorter name.
    if (index >= 0 && index < 16) return DclUsageWord(usage, static_cast<uint32_t>(index));
  }
  return 0;
}

bool ParseDcl(const std::string& suffix, const std::vector<std::string>& operands, Line& line) {
  Reg reg;
  if (operands.size() != 1 || !ParseRegister(operands[0], line.model, reg)) {
    line.error = "dcl needs one register";
    return false;
  }
  uint32_t word = DeclarationWord(suffix, reg, line.model);
  if (!word) {
    line.error = "unknown declaration 'dcl_" + suffix + "'";
    return false;
  }
  line.words.push_back(word);
  return ParseDestination(operands[0], 0, 0, line);
}

struct Suffixes {
  uint32_t resultMod = 0, shift = 0, controls = 0;
};

// Splits "mad_sat_x2" into the base mnemonic and its modifiers; false on an unknown suffix.
bool ParseMnemonic(const std::string& word, std::string& base, std::string& dclSuffix,
                   Suffixes& s) {
  if (word.rfind("dcl", 0) == 0) {
    base = "dcl";
    dclSuffix = word.size() > 4 && word[3] == '_' ? word.substr(4) : "";
    return word.size() == 3 || word[3] == '_';
  }
  std::vector<std::string> parts = Split(word, '_');
  base = parts[0];
  if (base == "texldp") base = "texld", s.controls = kTexLoadProject;
  if (base == "texldb") base = "texld", s.controls = kTexLoadBias;
  static constexpr std::pair<std::string_view, uint32_t> kShifts[] = {
      {"x2", 1}, {"x4", 2}, {"x8", 3}, {"d2", 0xF}, {"d4", 0xE}, {"d8", 0xD}};
  for (size_t i = 1; i < parts.size(); ++i) {
    const std::string& p = parts[i];
    bool known = true;
    if (p == "sat")
      s.resultMod |= kResultSaturate;
    else if (p == "pp")
      s.resultMod |= kResultPartial;
    else if (p == "centroid")
      s.resultMod |= kResultCentroid;
    else {
      known = false;
      for (auto [name, value] : kShifts)
        if (p == name) s.shift = value, known = true;
    }
    if (!known) return false;
  }
  return true;
}

const OpcodeInfo* FindByName(const std::string& name, uint8_t model) {
  for (const OpcodeInfo& info : kOpcodes)
    if (info.name == name && (info.models & model)) return &info;
  return nullptr;
}

bool ParseOperands(const OpcodeInfo& op, const Suffixes& s, const std::vector<std::string>& args,
                   Line& line) {
  size_t expected = OperandWords(op, line.model);
  if (args.size() != expected) {
    line.error = std::string(op.name) + " takes " + std::to_string(expected) + " operands";
    return false;
  }
  if (expected == 0) return true;
  if (!ParseDestination(args[0], s.resultMod, s.shift, line)) return false;
  for (size_t i = 1; i < args.size(); ++i) {
    bool ok =
        op.layout == Operands::Def ? ParseFloatWord(args[i], line) : ParseSource(args[i], line);
    if (!ok) return false;
  }
  return true;
}

// Assembles one instruction line (comment and blanks already removed) onto `out`.
bool AssembleLine(std::string text, Line& line, std::vector<uint32_t>& out) {
  bool coissue = TakePrefix(text, "+");
  text = std::string(Trim(text));
  size_t space = text.find_first_of(" \t");
  std::string mnemonic = text.substr(0, space);
  std::string rest = space == std::string::npos ? "" : text.substr(space + 1);
  std::vector<std::string> args =
      Trim(rest).empty() ? std::vector<std::string>{} : Split(rest, ',');

  std::string base, dclSuffix;
  Suffixes suffixes;
  const OpcodeInfo* op = nullptr;
  if (ParseMnemonic(mnemonic, base, dclSuffix, suffixes)) op = FindByName(base, line.model);
  if (!op) {
    line.error = "unknown instruction '" + mnemonic + "'";
    return false;
  }
  if ((suffixes.shift || coissue) && line.model != kPs11) {
    line.error = "shift and co-issue exist only in ps_1_1";
    return false;
  }
  bool ok = op->layout == Operands::Dcl ? ParseDcl(dclSuffix, args, line)
                                        : ParseOperands(*op, suffixes, args, line);
  if (!ok) return false;
  uint32_t length = (line.model & (kVs20 | kPs20)) ? line.words.size() : 0;
  out.push_back(InstructionToken(op->opcode, suffixes.controls, length, coissue));
  out.insert(out.end(), line.words.begin(), line.words.end());
  return true;
}

std::string_view StripComment(std::string_view line) {
  size_t cut = std::min(line.find(';'), line.find("//"));
  return Trim(line.substr(0, cut));
}

uint32_t ParseVersion(const std::string& text) {
  if (text == "vs_1_1") return VersionToken(false, 1, 1);
  if (text == "vs_2_0") return VersionToken(false, 2, 0);
  if (text == "ps_1_1") return VersionToken(true, 1, 1);
  if (text == "ps_2_0") return VersionToken(true, 2, 0);
  return 0;
}

}  // namespace

bool AssembleShader(std::string_view text, std::vector<uint32_t>& tokens, std::string& error) {
  tokens.clear();
  uint8_t model = 0;
  int number = 0;
  for (const std::string& raw : Split(text, '\n')) {
    ++number;
    std::string line = Lower(StripComment(raw));
    if (line.empty()) continue;
    if (!model) {
      uint32_t version = ParseVersion(line);
      model = ModelOfVersion(version);
      if (!model) {
        error = "line " + std::to_string(number) + ": expected a version, not '" + line + "'";
        return false;
      }
      tokens.push_back(version);
      continue;
    }
    Line parsed{model, {}, {}};
    if (!AssembleLine(line, parsed, tokens)) {
      error = "line " + std::to_string(number) + ": " + parsed.error;
      return false;
    }
  }
  if (!model) {
    error = "line " + std::to_string(number) + ": no version line";
    return false;
  }
  tokens.push_back(kEndToken);
  return true;
}
