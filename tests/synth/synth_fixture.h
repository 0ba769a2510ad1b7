#pragma once
// A patch and one voice for rendering the voice path offline, outside any channel, and the
// measurements of rendered audio (in double precision) the synthesizer tests share.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "synth/block.h"
#include "synth/effect_chain.h"
#include "synth/oscillator.h"
#include "synth/patch.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"
#include "synth/wavetable.h"

// Builds the shared tables (note frequencies, square roots, wavetable bank, random phases and
// white noise) once per process and keeps them for its whole life.
inline void EnsureSharedTables() {
  static bool built = false;
  if (built) return;
  built = true;
  NoteFrequencyTableBuild();
  SqrtTableBuild();
  WavetableBankBuild();
  // A patch that lives as long as the process holds a reference to the white-noise table, so
  // the table built by this first patch (right after the random phases) is never rebuilt.
  static Patch keeper{};
  PatchInit(&keeper);
}

// Runs a fresh patch's effect chain, with the given parameters (index, plain value), over the
// signal in place in 256-frame blocks (sizes are multiples of 256).
inline void RunEffects(std::initializer_list<std::pair<int, float>> params,
                       std::vector<float>* left, std::vector<float>* right) {
  Patch patch{};
  PatchInit(&patch);
  EffectSettingsCreate(&patch);
  EffectChain* chain = EffectChainCreate();
  for (const auto& [index, value] : params) ParamSet(PatchParam(&patch, index), value);
  for (size_t at = 0; at + kBlockFrames <= left->size(); at += kBlockFrames)
    EffectChainRun(&patch, chain, {left->data() + at, right->data() + at}, kSampleRate);
  EffectChainDestroy(chain);
  EffectSettingsDestroy(&patch);
  PatchCleanup(&patch);
}

// Parameter index of oscillator n's parameter `offset`.
inline int OscParam(int n, int offset) {
  return kParamOscillatorBase + kOscillatorParamStride * n + offset;
}

// The largest magnitude of the samples (infinity when one is not finite).
inline double PeakAbs(const std::vector<float>& x) {
  double m = 0.0;
  for (float v : x) m = std::isfinite(v) ? std::fmax(m, std::fabs(double(v))) : INFINITY;
  return m;
}

// Amplitude of the sinusoid of frequency f (Hz) in x, by correlation with sin and cos over a
// whole number of its periods.
inline double ToneAmplitude(const std::vector<float>& x, double f, double rate) {
  const size_t n = static_cast<size_t>(std::floor(x.size() * f / rate) * rate / f);
  double re = 0.0, im = 0.0;
  for (size_t i = 0; i < n; ++i) {
    re += x[i] * std::cos(2.0 * kPi * f * double(i) / rate);
    im += x[i] * std::sin(2.0 * kPi * f * double(i) / rate);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(n);
}

// A patch built over the shared tables, freed after the test.
class PatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureSharedTables();
    PatchInit(&patch_);
  }
  void TearDown() override { PatchCleanup(&patch_); }
  // Stores a plain value (ParamSet: clamped and normalised).
  void Set(int index, float plain) { ParamSet(PatchParam(&patch_, index), plain); }

  Patch patch_{};
};

struct RenderedAudio {
  std::vector<float> left, right;
};

// The patch and one voice.
class VoiceTest : public PatchTest {
 protected:
  void SetUp() override {
    PatchTest::SetUp();
    VoiceInit(&voice_);
  }
  void TearDown() override {
    VoiceCleanup(&voice_);
    PatchTest::TearDown();
  }
  // Binds the voice, sets its pitch to the note's frequency (no glide), triggers its envelopes
  // and opens the gate, as a channel starts a note on a free voice.
  void StartNote(int note) {
    VoiceBindPatch(&voice_, &patch_);
    voice_.note = static_cast<uint8_t>(note);
    voice_.frequency = voice_.target = NoteToFrequency(note);
    VoiceTriggerEnvelopes(&voice_);
    VoiceGateOn(&voice_);
  }
  // Renders `blocks` blocks; `sounded` (if given) receives the result of every block's render.
  RenderedAudio Render(int blocks, std::vector<bool>* sounded = nullptr) {
    const std::vector<float> silence(size_t(blocks) * kBlockFrames, 0.0f);
    RenderedAudio audio{silence, silence};
    for (int b = 0; b < blocks; ++b) {
      StereoPair out{&audio.left[b * kBlockFrames], &audio.right[b * kBlockFrames]};
      const bool r = VoiceGenRender(&patch_, &voice_, out, kSampleRate);
      if (sounded) sounded->push_back(r);
    }
    return audio;
  }

  Voice voice_{};
};
