#include "tools/patchc/patchc.h"

#include <cmath>
#include <sstream>

#include "synth/param.h"

namespace {

// A parameter of a repeated block (oscillator, LFO, envelope): prefix.suffix at base + offset.
// Ranges come from the synthesizer's own range table.
struct BlockParam {
  const char* suffix;
  int offset;
  bool integer;
};

struct NamedParam {
  const char* name;
  int index;
  bool integer;
};

constexpr BlockParam kOscillator[] = {
    {"mode", 0, true},         {"wave", 1, true},       {"gain", 2, false},
    {"width", 3, false},       {"pwm_rate", 4, false},  {"phase_left", 5, false},
    {"phase_right", 6, false}, {"harmonics", 7, false}, {"pm_depth", 8, false},
    {"level", 9, false},       {"level_lfo", 10, true}, {"level_env", 11, true},
    {"fixed", 12, false},      {"freq_lfo", 13, true},  {"freq_env", 14, true},
    {"octave", 15, true},      {"semitone", 16, true},  {"fine_left", 17, false},
    {"fine_right", 18, false}, {"pan", 19, false},      {"pan_law", 20, true},
    {"pan_lfo", 21, true},     {"pan_env", 22, true},
};
constexpr BlockParam kLfo[] = {
    {"wave", 0, true}, {"retrigger", 1, true}, {"rate", 2, false}, {"amount", 3, false}};
constexpr BlockParam kEnvelope[] = {{"attack", 0, false},  {"decay", 1, false},
                                    {"sustain", 2, false}, {"release", 3, false},
                                    {"curve", 4, false},   {"peak", 5, false}};

constexpr NamedParam kSingles[] = {
    {"gain", 0, false},
    {"routing", 1, true},
    {"polyphony", 2, false},
    {"glide", 3, false},
    {"detune", 4, false},
    {"unison", 5, true},
    {"noise.type", 86, true},
    {"noise.level", 87, false},
    {"noise.level_lfo", 88, true},
    {"noise.level_env", 89, true},
    {"noise.pan", 90, false},
    {"noise.pan_law", 91, true},
    {"noise.pan_lfo", 92, true},
    {"noise.pan_env", 93, true},
    {"gate", 94, true},
    {"lowpass.on", 176, true},
    {"lowpass.cutoff", 177, false},
    {"lowpass.resonance", 178, false},
    {"lowpass.cutoff_lfo", 179, true},
    {"lowpass.cutoff_env", 180, true},
    {"lowpass.resonance_lfo", 181, true},
    {"lowpass.resonance_env", 182, true},
    {"highpass.on", 183, true},
    {"highpass.cutoff", 184, false},
    {"highpass.resonance", 185, false},
    {"highpass.cutoff_lfo", 186, true},
    {"highpass.cutoff_env", 187, true},
    {"highpass.resonance_lfo", 188, true},
    {"highpass.resonance_env", 189, true},
    {"bandpass.on", 190, true},
    {"bandpass.cutoff", 191, false},
    {"bandpass.gain", 192, false},
    {"bandpass.resonance", 193, false},
    {"bandpass.cutoff_lfo", 194, true},
    {"bandpass.cutoff_env", 195, true},
    {"notch.on", 196, true},
    {"notch.cutoff", 197, false},
    {"notch.resonance", 198, false},
    {"notch.cutoff_lfo", 199, true},
    {"notch.cutoff_env", 200, true},
    {"phaser.on", 211, true},
    {"phaser.rate", 213, false},
    {"phaser.feedback", 214, false},
    {"distortion.on", 215, true},
    {"distortion.mode", 216, false},
    {"distortion.gain", 217, false},
    {"distortion.bits", 218, false},
    {"distortion.hold", 219, false},
    {"delay.on", 220, true},
    {"delay.left", 221, true},
    {"delay.right", 222, true},
    {"delay.feedback", 223, false},
    {"reverb.on", 224, true},
    {"reverb.room", 225, false},
    {"reverb.damping", 226, false},
    {"reverb.wet", 227, false},
    {"reverb.dry", 228, false},
    {"reverb.width", 229, false},
    {"eq.on", 230, true},
    {"eq.100", 231, false},
    {"eq.1000", 232, false},
    {"eq.4000", 233, false},
    {"eq.8000", 234, false},
    {"eq.12000", 235, false},
    {"lfo1.combine", 239, true},
    {"lfo2.combine", 240, true},
    {"lfo3.combine", 241, true},
    {"unison.spread", 242, false},
};

// Names are kept alive for the table's lifetime.
std::vector<std::string>& NameStore() {
  static std::vector<std::string> names;
  return names;
}

// An entry with its range from the synthesizer's range table.
PatchParamInfo Ranged(const char* name, int index, bool integer) {
  return {name, index, kParamRanges[index].min, kParamRanges[index].max, integer};
}

template <size_t N>
void AddBlock(std::vector<PatchParamInfo>* table, const std::string& prefix, int base,
              const BlockParam (&block)[N]) {
  for (const BlockParam& p : block) {
    NameStore().push_back(prefix + "." + p.suffix);
    table->push_back(Ranged(nullptr, base + p.offset, p.integer));
  }
}

std::vector<PatchParamInfo> BuildTable() {
  NameStore().reserve(256);
  std::vector<PatchParamInfo> table;
  for (const NamedParam& p : kSingles) table.push_back(Ranged(p.name, p.index, p.integer));
  const size_t singles = table.size();
  for (int n = 0; n < 3; ++n) AddBlock(&table, "osc" + std::to_string(n), 17 + 23 * n, kOscillator);
  for (int n = 0; n < 4; ++n) AddBlock(&table, "lfo" + std::to_string(n), 136 + 4 * n, kLfo);
  for (int k = 0; k < 4; ++k) AddBlock(&table, "env" + std::to_string(k), 152 + 6 * k, kEnvelope);
  for (size_t i = singles; i < table.size(); ++i) table[i].name = NameStore()[i - singles].c_str();
  return table;
}

std::string AtLine(int line, const std::string& why) {
  return "line " + std::to_string(line) + ": " + why;
}

// Sets one parameter of one instrument; the reason on failure, an empty string on success.
std::string SetParam(const std::string& name, const std::string& word, int instrument,
                     std::vector<uint8_t>* table, std::vector<bool>* seen, std::string* warning) {
  const PatchParamInfo* info = PatchParamFind(name);
  if (!info) return "unknown parameter '" + name + "'";
  float value = 0;
  try {
    size_t used = 0;
    value = std::stof(word, &used);
    if (used != word.size()) return "bad number '" + word + "'";
  } catch (...) {
    return "bad number '" + word + "'";
  }
  if (!(value >= info->min && value <= info->max))
    return name + " outside " + std::to_string(info->min) + ".." + std::to_string(info->max);
  const size_t at = static_cast<size_t>(info->index) * kPatchInstruments + instrument;
  if ((*seen)[at]) return name + " set twice";
  (*seen)[at] = true;
  const int byte = PatchEncodeValue(*info, value);
  if (byte < 0) return name + ": no byte gives exactly " + word;
  (*table)[at] = static_cast<uint8_t>(byte);
  const float got = PatchDecodeByte(*info, byte);
  if (std::fabs(got - value) > 0.0025f * (info->max - info->min))
    *warning = name + " " + word + " stored as " + std::to_string(got);
  return "";
}

}  // namespace

const std::vector<PatchParamInfo>& PatchParamTable() {
  static const std::vector<PatchParamInfo> table = BuildTable();
  return table;
}

const PatchParamInfo* PatchParamFind(const std::string& name) {
  for (const PatchParamInfo& info : PatchParamTable())
    if (name == info.name) return &info;
  return nullptr;
}

float PatchDecodeByte(const PatchParamInfo& info, int byte) {
  const Param param = {info.min, info.max, static_cast<float>(byte) * 0.01f};
  return info.integer ? static_cast<float>(ParamGetInt(&param)) : ParamGet(&param);
}

int PatchEncodeValue(const PatchParamInfo& info, float value) {
  int best = -1;
  float bestError = 0;
  for (int b = 0; b <= 100; ++b) {
    const float decoded = PatchDecodeByte(info, b);
    if (info.integer && decoded != value) continue;
    // Integer parameters: among the exact bytes, the one whose unrounded value lies nearest.
    const float raw = PatchDecodeByte({info.name, info.index, info.min, info.max, false}, b);
    const float error = std::fabs(raw - value);
    if (best < 0 || error < bestError) {
      best = b;
      bestError = error;
    }
  }
  return best;
}

bool PatchCompile(const std::string& text, std::vector<uint8_t>* table, std::string* error,
                  std::vector<std::string>* warnings) {
  table->assign(kPatchParams * kPatchInstruments, 0);
  std::vector<bool> seen(table->size(), false);
  std::istringstream lines(text);
  std::string line;
  int number = 0, instrument = -1;
  while (std::getline(lines, line)) {
    ++number;
    std::istringstream words(line.substr(0, line.find('#')));
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    std::string why, warning;
    if (w[0] == "instrument") {
      instrument = w.size() >= 2 ? std::atoi(w[1].c_str()) : -1;
      if (w.size() < 2 || w[1].find_first_not_of("0123456789") != std::string::npos ||
          instrument > 14)
        why = "expected 'instrument <0..14> [name]'";
    } else if (w.size() != 2) {
      why = "expected '<parameter> <value>'";
    } else if (instrument < 0) {
      why = "parameter before the first 'instrument' line";
    } else {
      why = SetParam(w[0], w[1], instrument, table, &seen, &warning);
    }
    if (!why.empty()) {
      *error = AtLine(number, why);
      return false;
    }
    if (!warning.empty()) warnings->push_back(AtLine(number, warning));
  }
  return true;
}
