#include "tools/patchc/coverage.h"

#include <string>

#include "platform/crt.h"
#include "tools/patchc/patchc.h"

namespace {

enum Category {
  kWaveforms,
  kModes,
  kUnison,
  kGlide,
  kFilters,
  kNoise,
  kShapes,
  kCombine,
  kEffects,
  kCurves
};

// The synthesizer's choices, in the order of the values that select them.
std::vector<CoverageCategory> Defined() {
  const auto items = [](std::initializer_list<const char*> names) {
    std::vector<CoverageItem> list;
    for (const char* n : names) list.push_back({n, false});
    return list;
  };
  const auto shapes = [&](const char* tables, int first) {
    std::vector<CoverageItem> list =
        items({"sine", "rising saw", "falling saw", "pulse", "triangle"});
    if (first > 0) list.push_back({tables, false});
    for (int b = first; b < 8; ++b) list.push_back({"wavetable bank " + std::to_string(b), false});
    return list;
  };
  return {{"oscillator waveforms", shapes("pad", 1)},
          {"oscillator modes", items({"add", "multiply per cycle", "modulate per sample"})},
          {"unison", items({"unison"})},
          {"glide", items({"glide"})},
          {"filters", items({"low-pass", "high-pass", "band-pass", "notch"})},
          {"noise types", items({"white", "pink"})},
          {"lfo shapes", shapes("", 0)},
          {"lfo combine modes", items({"add", "multiply"})},
          {"effects", items({"phaser", "distortion hard clip", "distortion tanh", "distortion sine",
                             "distortion curve", "delay", "reverb", "equaliser"})},
          {"envelope curves", items({"linear", "exponent below 1", "exponent above 1"})}};
}

// One instrument's plain parameter values, read as the synthesizer reads them.
struct Instrument {
  const std::vector<uint8_t>& table;
  int c;
  float Get(const std::string& name) const {
    const PatchParamInfo& info = *PatchParamFind(name);
    return PatchDecodeByte(info, table[info.index * kPatchInstruments + c]);
  }
  int Int(const std::string& name) const { return crt::RoundToInt(Get(name)); }
};

// Modulation sources an instrument's sounding parts select: LFO or envelope s - 1.
struct Selection {
  bool lfo[4] = {}, env[4] = {};
  void Take(const Instrument& in, const std::string& target) {
    for (auto [suffix, chosen] : {std::pair{"_lfo", lfo}, std::pair{"_env", env}}) {
      const int s = in.Int(target + suffix);
      if (s > 0) chosen[s - 1] = true;
    }
  }
};

void Mark(std::vector<CoverageCategory>* cov, Category k, int item) {
  (*cov)[k].items[item].used = true;
}

// The sounding oscillators and noise; false when nothing of the instrument sounds.
bool CoverSources(const Instrument& in, Selection* sel, std::vector<CoverageCategory>* cov) {
  bool sounding = false;
  for (int n = 0; n < 3; ++n) {
    const std::string o = "osc" + std::to_string(n) + ".";
    const int wave = in.Int(o + "wave"), mode = in.Int(o + "mode");
    if (wave == 0 || in.Get(o + "level") <= 0 || (mode != 0 && !sounding)) continue;
    Mark(cov, kWaveforms, wave - 1);
    Mark(cov, kModes, mode);
    sounding = true;
    for (const char* target : {"level", "freq", "pan"}) sel->Take(in, o + target);
  }
  const int noise = in.Int("noise.type");
  if (noise > 0 && in.Get("noise.level") > 0) {
    Mark(cov, kNoise, noise - 1);
    sounding = true;
    for (const char* target : {"noise.level", "noise.pan"}) sel->Take(in, target);
  }
  return sounding;
}

void CoverFilters(const Instrument& in, Selection* sel, std::vector<CoverageCategory>* cov) {
  const char* names[] = {"lowpass", "highpass", "bandpass", "notch"};
  for (int f = 0; f < 4; ++f) {
    const std::string name = names[f];
    if (in.Int(name + ".on") == 0) continue;
    Mark(cov, kFilters, f);
    sel->Take(in, name + ".cutoff");
    if (f < 2) sel->Take(in, name + ".resonance");
  }
}

void CoverLfos(const Instrument& in, const Selection& sel, std::vector<CoverageCategory>* cov) {
  bool inUse[4];
  for (int n = 3; n >= 0; --n) {
    const bool combinedInto =
        n < 3 && inUse[n + 1] && in.Int("lfo" + std::to_string(n + 1) + ".combine") != 0;
    inUse[n] = sel.lfo[n] || combinedInto;
  }
  for (int n = 0; n < 4; ++n) {
    const std::string l = "lfo" + std::to_string(n) + ".";
    const int wave = in.Int(l + "wave");
    if (!inUse[n] || wave == 0) continue;
    if (in.Get(l + "amount") > 0) Mark(cov, kShapes, wave - 1);
    const int combine = n > 0 ? in.Int(l + "combine") : 0;
    if (combine > 0 && in.Int("lfo" + std::to_string(n - 1) + ".wave") != 0)
      Mark(cov, kCombine, combine - 1);
  }
}

void CoverEffects(const Instrument& in, const Selection& sel, std::vector<CoverageCategory>* cov) {
  for (int k = 0; k < 4; ++k) {
    if (!sel.env[k]) continue;
    const float curve = in.Get("env" + std::to_string(k) + ".curve");
    Mark(cov, kCurves, curve == 0.5f ? 0 : curve < 0.5f ? 1 : 2);
  }
  if (in.Int("unison") >= 2 && (in.Get("detune") > 0 || in.Get("unison.spread") > 0))
    Mark(cov, kUnison, 0);
  if (in.Get("glide") > 0) Mark(cov, kGlide, 0);
  if (in.Int("phaser.on")) Mark(cov, kEffects, 0);
  const float m = in.Get("distortion.mode");  // by quarters, as the distortion reads it
  if (in.Int("distortion.on"))
    Mark(cov, kEffects, 1 + (m < 0.25f ? 0 : m < 0.5f ? 1 : m < 0.75f ? 2 : 3));
  const char* later[] = {"delay.on", "reverb.on", "eq.on"};
  for (int e = 0; e < 3; ++e)
    if (in.Int(later[e])) Mark(cov, kEffects, 5 + e);
}

}  // namespace

std::vector<CoverageCategory> PatchCoverage(const std::vector<uint8_t>& table) {
  std::vector<CoverageCategory> cov = Defined();
  for (int c = 0; c < kPatchInstruments; ++c) {
    const Instrument in{table, c};
    Selection sel;
    if (!CoverSources(in, &sel, &cov)) continue;
    CoverFilters(in, &sel, &cov);
    CoverLfos(in, sel, &cov);
    CoverEffects(in, sel, &cov);
  }
  return cov;
}
