#pragma once
// A patch and one voice for rendering the voice path offline, outside any channel.

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "synth/patch.h"
#include "synth/voice.h"

namespace synthtest {

// Builds the shared tables (note frequencies, square roots, wavetable bank, random phases and
// white noise) once per process and keeps them for its whole life.
void EnsureSharedTables();

// Runs a fresh patch's effect chain, with the given parameters (index, plain value), over the
// signal in place in 256-frame blocks (sizes are multiples of 256).
void RunEffects(std::initializer_list<std::pair<int, float>> params, std::vector<float>* left,
                std::vector<float>* right);

// Parameter index of oscillator n's parameter `offset`.
int OscParam(int n, int offset);

struct RenderedAudio {
  std::vector<float> left;
  std::vector<float> right;
};

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

// The patch and one voice.
struct VoiceCase;

class VoiceTest : public PatchTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A plain sine on oscillator 0: waveform 1, gain 1, level 1, linear pan 0.5, master 0 dB
  // (x 0.1), one unison copy; octave, semitone and fine tune 0 on all three oscillators.
  void UseSine();
  // Binds the voice, sets its pitch to the note's frequency (no glide), triggers its envelopes
  // and opens the gate, as a channel starts a note on a free voice.
  void StartNote(int note);
  // Renders `blocks` blocks; `sounded` (if given) receives the result of every block's render.
  RenderedAudio Render(int blocks, std::vector<bool>* sounded = nullptr);
  // Renders each case on a fresh patch and voice and checks its figures.
  void RunCases(const std::vector<VoiceCase>& cases);

  Voice voice_{};
};

// One audio case of a voice: parameters (index, plain value) set over the plain sine before a
// note starts, and the figures its render must show after the first (fading-in) block.
struct VoiceCase {
  const char* what;
  std::vector<std::pair<int, float>> params;
  int note;
  double leftHz, rightHz;  // the strongest tone of each side, within 0.5 Hz
  double rms = 0;          // when not 0: the left side's root mean square, within 1 %
};

}  // namespace synthtest
