#include "synth/phaser.h"

#include <algorithm>
#include <cmath>

#include "synth/patch.h"

namespace {

constexpr int kParamRate = 213;
constexpr int kParamFeedback = 214;
// The full turn of the sweep: the float 6.28318024, slightly below 2 pi on purpose.
constexpr float kSweepTurn = 6.2831802f;
constexpr float kMaxFeedback = 0.99f;

// One channel's pass through the twelve stages.
float PhaserStages(float x, float a, float (*stages)[2], int side) {
  for (int s = 0; s < kPhaserStages; ++s) {
    const float y = -a * x + stages[s][side];
    stages[s][side] = a * y + x;
    x = y;
  }
  return x;
}

}  // namespace

void PhaserSettingsInit(PhaserSettings* settings, Patch* patch) {
  *settings = PhaserSettings{};
  settings->patch = patch;
  settings->lowest = 440.0f;
  settings->highest = 1600.0f;
  settings->referenceRate = 44100.0f;
  settings->fifth = 1.0f;
}

void PhaserRun(Phaser* phaser, PhaserSettings* settings, StereoPair block) {
  const float rateHz = PatchGet(settings->patch, kParamRate);
  const float fb = std::min(PatchGet(settings->patch, kParamFeedback), kMaxFeedback);
  const float k = 1.0f / (settings->referenceRate * 0.5f);
  settings->coefficient = &phaser->coefficient;
  settings->dmin = settings->lowest * k;
  settings->dmax = settings->highest * k;
  settings->increment = rateHz / settings->referenceRate * kSweepTurn;
  settings->feedback = fb;
  settings->fifthCopy = settings->fifth;
  for (int i = 0; i < kBlockFrames; ++i) {
    const float d = (settings->dmax - settings->dmin) * (std::sin(settings->phase) + 1.0f) * 0.5f +
                    settings->dmin;
    const float a = (1.0f - d) / (1.0f + d);
    *settings->coefficient = a;
    settings->phase += settings->increment;
    if (settings->phase >= kSweepTurn) settings->phase -= kSweepTurn;
    const float left = PhaserStages(fb * phaser->lastLeft + block.left[i], a, phaser->stages, 0);
    const float right = PhaserStages(fb * phaser->lastRight + block.right[i], a, phaser->stages, 1);
    block.left[i] = phaser->lastLeft = left;
    block.right[i] = phaser->lastRight = right;
  }
  phaser->lastLeft = FlushDenormal(phaser->lastLeft);
  phaser->lastRight = FlushDenormal(phaser->lastRight);
  for (auto& stage : phaser->stages) {
    stage[0] = FlushDenormal(stage[0]);
    stage[1] = FlushDenormal(stage[1]);
  }
}
