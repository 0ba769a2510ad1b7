#include "synth/biquad.h"

#include <cmath>

#include "synth/patch.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"

namespace {

constexpr FilterParams kLowPassParams{176, 177, 178, 179, 180, 181, 182, -1};
constexpr FilterParams kHighPassParams{183, 184, 185, 186, 187, 188, 189, -1};
constexpr FilterParams kBandPassParams{190, 191, 193, 194, 195, -1, -1, 192};
constexpr FilterParams kNotchParams{196, 197, 198, 199, 200, -1, -1, -1};

// A parameter modulated by the voice: x envelope (select e), then x (LFO + 1) / 2 (select l).
float Modulate(const Patch* patch, const VoiceGen* gen, float value, int envSelect, int lfoSelect) {
  if (envSelect >= 0) {
    if (const int32_t s = PatchGetInt(patch, envSelect)) value = value * VoiceGenEnvelope(gen, s);
  }
  if (lfoSelect >= 0) {
    if (const int32_t s = PatchGetInt(patch, lfoSelect)) {
      value = (VoiceGenLfo(gen, s) + 1.0f) * value * 0.5f;
    }
  }
  return value;
}

struct Numerator {
  float b0, b1, b2;
};

Numerator NumeratorOf(int32_t kind, float sn, float cs) {
  switch (kind) {
    case kFilterLowPass:
      return {(1.0f - cs) * 0.5f, 1.0f - cs, (1.0f - cs) * 0.5f};
    case kFilterHighPass:
      return {(1.0f + cs) * 0.5f, -(1.0f + cs), (1.0f + cs) * 0.5f};
    case kFilterBandPass:
      return {sn * 0.5f, 0.0f, sn * -0.5f};
    default:
      return {1.0f, -2.0f * cs, 1.0f};
  }
}

// One channel of the section over 256 frames; the history lives in registers meanwhile.
void RunChannel(const Biquad& c, const float* source, float* out, float mix, float* x1, float* x2,
                float* y1, float* y2) {
  float hx1 = *x1, hx2 = *x2, hy1 = *y1, hy2 = *y2;
  for (int i = 0; i < kBlockFrames; ++i) {
    const float x = source[i];
    const float y = FlushDenormal(c.b0 * x + c.b1 * hx1 + c.b2 * hx2 - c.a1 * hy1 - c.a2 * hy2);
    hx2 = hx1;
    hx1 = x;
    hy2 = hy1;
    hy1 = y;
    out[i] = out[i] * mix + y;
  }
  *x1 = hx1;
  *x2 = hx2;
  *y1 = hy1;
  *y2 = hy2;
}

}  // namespace

const FilterParams& FilterParamsOf(int32_t kind) {
  switch (kind) {
    case kFilterLowPass:
      return kLowPassParams;
    case kFilterHighPass:
      return kHighPassParams;
    case kFilterBandPass:
      return kBandPassParams;
    default:
      return kNotchParams;
  }
}

void BiquadClear(Biquad* biquad) { *biquad = Biquad{}; }

void BiquadDesign(const FilterSettings* settings, Biquad* biquad, const Voice* voice,
                  int32_t rate) {
  const Patch* patch = settings->patch;
  const VoiceGen* gen = voice->gen;
  const FilterParams& p = FilterParamsOf(settings->kind);
  const float cutoff = PatchGet(patch, p.cutoff);
  float f = Modulate(patch, gen, cutoff * cutoff, p.cutoffEnv, p.cutoffLfo);
  float r = Modulate(patch, gen, PatchGet(patch, p.resonance), p.resonanceEnv, p.resonanceLfo);
  const float gainDb = p.gain >= 0 ? PatchGet(patch, p.gain) : 0.0f;
  if (!(f >= 20.0f)) f = 20.0f;
  r = r < 0.05f ? 0.05f : (r > 0.95f ? 0.95f : r);
  const float q = 1.0f - r;
  biquad->cutoff = f;
  biquad->q = q;
  const float A = std::sqrt(std::pow(10.0f, 0.05f * gainDb));
  const float w0 = 6.2831855f * f / static_cast<float>(rate);
  const float sn = std::sin(w0), cs = std::cos(w0);
  float alpha;
  if (settings->kind == kFilterLowPass || settings->kind == kFilterHighPass) {
    alpha = sn * std::sinh(0.34657359f * q * w0 / sn);  // ln(2) / 2
  } else {
    alpha = sn / 2.0f * std::sqrt((A + 1.0f / A) * (1.0f / q - 1.0f) + 2.0f);
  }
  const Numerator b = NumeratorOf(settings->kind, sn, cs);
  const float a0 = 1.0f + alpha;
  biquad->a0 = a0;
  biquad->a1 = -2.0f * cs / a0;
  biquad->a2 = (1.0f - alpha) / a0;
  biquad->b0 = b.b0 / a0;
  biquad->b1 = b.b1 / a0;
  biquad->b2 = b.b2 / a0;
}

void BiquadRun(StereoPair out, StereoPair source, Biquad* biquad, float mix) {
  RunChannel(*biquad, source.left, out.left, mix, &biquad->leftX1, &biquad->leftX2, &biquad->leftY1,
             &biquad->leftY2);
  RunChannel(*biquad, source.right, out.right, mix, &biquad->rightX1, &biquad->rightX2,
             &biquad->rightY1, &biquad->rightY2);
}
