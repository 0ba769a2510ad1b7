#include "tools/patchc/patchc.h"

#include <cmath>
#include <sstream>

namespace {

// Appends the parameters of a repeated block: prefix + suffix at base + offset.
struct BlockParam {
  const char* suffix;
  int offset;
  float min, max;
  bool integer;
};

constexpr BlockParam kOscillator[] = {
    {"mode", 0, 0, 2, true},          {"wave", 1, 0, 13, true},
    {"gain", 2, 1, 10, false},        {"width", 3, 0.01f, 0.5f, false},
    {"pwm_rate", 4, 0, 2, false},     {"phase_left", 5, 0, 1, false},
    {"phase_right", 6, 0, 1, false},  {"harmonics", 7, 0, 10, false},
    {"pm_depth", 8, 0, 3, false},     {"level", 9, 0, 1, false},
    {"level_lfo", 10, 0, 4, true},    {"level_env", 11, 0, 4, true},
    {"fixed", 12, 0, 100, false},     {"freq_lfo", 13, 0, 4, true},
    {"freq_env", 14, 0, 4, true},     {"octave", 15, -8, 8, true},
    {"semitone", 16, -12, 12, true},  {"fine_left", 17, -1, 1, false},
    {"fine_right", 18, -1, 1, false}, {"pan", 19, 0, 1, false},
    {"pan_law", 20, 0, 1, true},      {"pan_lfo", 21, 0, 4, true},
    {"pan_env", 22, 0, 4, true},
};
constexpr BlockParam kLfo[] = {{"wave", 0, 0, 13, true},
                               {"retrigger", 1, 0, 1, true},
                               {"rate", 2, 0, 8, false},
                               {"amount", 3, 0, 1, false}};
constexpr BlockParam kEnvelope[] = {{"attack", 0, 0, 1, false},  {"decay", 1, 0, 1, false},
                                    {"sustain", 2, 0, 1, false}, {"release", 3, 0, 1, false},
                                    {"curve", 4, 0, 1, false},   {"peak", 5, 0, 1, false}};

constexpr PatchParamInfo kSingles[] = {
    {"gain", 0, -20, 20, false},
    {"routing", 1, 0, 1, true},
    {"polyphony", 2, 1, 16, false},
    {"glide", 3, 0, 1, false},
    {"detune", 4, 0, 1, false},
    {"unison", 5, 1, 9, true},
    {"noise.type", 86, 0, 2, true},
    {"noise.level", 87, 0, 1, false},
    {"noise.level_lfo", 88, 0, 4, true},
    {"noise.level_env", 89, 0, 4, true},
    {"noise.pan", 90, 0, 1, false},
    {"noise.pan_law", 91, 0, 1, true},
    {"noise.pan_lfo", 92, 0, 4, true},
    {"noise.pan_env", 93, 0, 4, true},
    {"gate", 94, 0, 3, true},
    {"lowpass.on", 176, 0, 1, true},
    {"lowpass.cutoff", 177, 4, 100, false},
    {"lowpass.resonance", 178, 0.1f, 1, false},
    {"lowpass.cutoff_lfo", 179, 0, 4, true},
    {"lowpass.cutoff_env", 180, 0, 4, true},
    {"lowpass.resonance_lfo", 181, 0, 4, true},
    {"lowpass.resonance_env", 182, 0, 4, true},
    {"highpass.on", 183, 0, 1, true},
    {"highpass.cutoff", 184, 4, 100, false},
    {"highpass.resonance", 185, 0.1f, 1, false},
    {"highpass.cutoff_lfo", 186, 0, 4, true},
    {"highpass.cutoff_env", 187, 0, 4, true},
    {"highpass.resonance_lfo", 188, 0, 4, true},
    {"highpass.resonance_env", 189, 0, 4, true},
    {"bandpass.on", 190, 0, 1, true},
    {"bandpass.cutoff", 191, 4, 100, false},
    {"bandpass.gain", 192, -20, 20, false},
    {"bandpass.resonance", 193, 0, 1, false},
    {"bandpass.cutoff_lfo", 194, 0, 4, true},
    {"bandpass.cutoff_env", 195, 0, 4, true},
    {"notch.on", 196, 0, 1, true},
    {"notch.cutoff", 197, 4, 100, false},
    {"notch.resonance", 198, 0, 1, false},
    {"notch.cutoff_lfo", 199, 0, 4, true},
    {"notch.cutoff_env", 200, 0, 4, true},
    {"phaser.on", 211, 0, 1, true},
    {"phaser.rate", 213, 0, 10, false},
    {"phaser.feedback", 214, 0, 1, false},
    {"distortion.on", 215, 0, 1, true},
    {"distortion.mode", 216, 0, 1, false},
    {"distortion.gain", 217, 0, 1, false},
    {"distortion.bits", 218, 0, 1, false},
    {"distortion.hold", 219, 0, 1, false},
    {"delay.on", 220, 0, 1, true},
    {"delay.left", 221, 0, 1000, true},
    {"delay.right", 222, 0, 1000, true},
    {"delay.feedback", 223, 0, 1, false},
    {"reverb.on", 224, 0, 1, true},
    {"reverb.room", 225, 0, 1, false},
    {"reverb.damping", 226, 0, 1, false},
    {"reverb.wet", 227, 0, 1, false},
    {"reverb.dry", 228, 0, 1, false},
    {"reverb.width", 229, 0, 1, false},
    {"eq.on", 230, 0, 1, true},
    {"eq.100", 231, -20, 20, false},
    {"eq.1000", 232, -20, 20, false},
    {"eq.4000", 233, -20, 20, false},
    {"eq.8000", 234, -20, 20, false},
    {"eq.12000", 235, -20, 20, false},
    {"lfo1.combine", 239, 0, 2, true},
    {"lfo2.combine", 240, 0, 2, true},
    {"lfo3.combine", 241, 0, 2, true},
    {"unison.spread", 242, 0, 1, false},
};

// Names are kept alive for the table's lifetime.
std::vector<std::string>& NameStore() {
  static std::vector<std::string> names;
  return names;
}

template <size_t N>
void AddBlock(std::vector<PatchParamInfo>* table, const std::string& prefix, int base,
              const BlockParam (&block)[N]) {
  for (const BlockParam& p : block) {
    NameStore().push_back(prefix + "." + p.suffix);
    table->push_back({nullptr, base + p.offset, p.min, p.max, p.integer});
  }
}

std::vector<PatchParamInfo> BuildTable() {
  NameStore().reserve(256);
  std::vector<PatchParamInfo> table(std::begin(kSingles), std::end(kSingles));
  for (int n = 0; n < 3; ++n) AddBlock(&table, "osc" + std::to_string(n), 17 + 23 * n, kOscillator);
  for (int n = 0; n < 4; ++n) AddBlock(&table, "lfo" + std::to_string(n), 136 + 4 * n, kLfo);
  for (int k = 0; k < 4; ++k) AddBlock(&table, "env" + std::to_string(k), 152 + 6 * k, kEnvelope);
  const size_t singles = std::size(kSingles);
  for (size_t i = singles; i < table.size(); ++i) table[i].name = NameStore()[i - singles].c_str();
  return table;
}

float RoundHalfUp(float x) { return std::fmod(x, 1.0f) >= 0.5f ? std::ceil(x) : std::floor(x); }

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
  const float norm = static_cast<float>(byte) * 0.01f;
  float v = info.min + norm * (info.max - info.min);
  if (v >= info.max)
    v = info.max;
  else if (v < info.min)
    v = info.min;
  return info.integer ? RoundHalfUp(v) : v;
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
