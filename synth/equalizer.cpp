#include "synth/equalizer.h"

#include <cmath>

#include "synth/patch.h"

namespace {

constexpr int kParamFirstBand = 231;
constexpr float kBandHz[kEqualizerBands] = {100.0f, 1000.0f, 4000.0f, 8000.0f, 12000.0f};

// One sample through one section; h = {x1, x2, y1, y2} of that channel, inv = 1 / a0.
float SectionTick(const EqualizerSection& s, float inv, float* h, float x) {
  const float y = s.b0 * inv * x + s.b1 * inv * h[0] + s.b2 * inv * h[1] - s.a1 * inv * h[2] -
                  s.a2 * inv * h[3];
  h[1] = h[0];
  h[0] = x;
  h[3] = h[2];
  h[2] = y;
  return y;
}

}  // namespace

void EqualizerDesign(EqualizerSettings* settings, Equalizer* equalizer, int32_t rate) {
  for (int k = 0; k < kEqualizerBands; ++k) {
    const float gain = PatchGet(settings->patch, kParamFirstBand + k);
    const float a = std::sqrt(std::pow(10.0f, 0.1f * gain));
    const float w0 = kTwoPi * kBandHz[k] / static_cast<float>(rate);
    const float alpha = std::sin(w0) / 2.0f * std::sqrt((a + 1.0f / a) * 0.0f + 2.0f);
    const float cosine = std::cos(w0);
    EqualizerSection& s = equalizer->sections[k];
    s.b0 = 1.0f + alpha * a;
    s.b1 = -2.0f * cosine;
    s.b2 = 1.0f - alpha * a;
    s.a0 = 1.0f + alpha / a;
    s.a1 = -2.0f * cosine;
    s.a2 = 1.0f - alpha / a;
  }
}

void EqualizerRun(Equalizer* equalizer, StereoPair block) {
  float inv[kEqualizerBands];
  for (int k = 0; k < kEqualizerBands; ++k) inv[k] = 1.0f / equalizer->sections[k].a0;
  for (int i = 0; i < kBlockFrames; ++i) {
    for (int k = 0; k < kEqualizerBands; ++k) {
      EqualizerSection& s = equalizer->sections[k];
      block.left[i] = SectionTick(s, inv[k], s.left, block.left[i]);
      block.right[i] = SectionTick(s, inv[k], s.right, block.right[i]);
    }
  }
}
