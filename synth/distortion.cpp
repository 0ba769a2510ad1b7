#include "synth/distortion.h"

#include <algorithm>
#include <cmath>

#include "platform/crt.h"
#include "synth/patch.h"

namespace {

constexpr int kParamMode = 216;
constexpr int kParamGain = 217;
constexpr int kParamBits = 218;
constexpr int kParamHold = 219;

enum class ShapeMode { kClip, kTanh, kSine, kCurve };

ShapeMode ModeFromParam(float m) {
  if (m < 0.25f) return ShapeMode::kClip;
  if (m < 0.5f) return ShapeMode::kTanh;
  if (m < 0.75f) return ShapeMode::kSine;
  return ShapeMode::kCurve;
}

float Shape(ShapeMode mode, float x) {
  switch (mode) {
    case ShapeMode::kClip:
      return std::min(std::max(x, -1.0f), 1.0f);
    case ShapeMode::kTanh:
      return std::tanh(x);
    default:
      return std::sin(x);
  }
}

float CurveLookup(const float* curve, float in) {
  const float index = std::nearbyint(32768.0f * std::fabs(in));
  const int i = std::isnan(index) ? 0 : static_cast<int>(std::min(index, 32767.0f));
  const float sign = in > 0.0f ? 1.0f : (in < 0.0f ? -1.0f : 0.0f);
  return curve[i] * sign;
}

// Clip, tanh and sine modes: sample-and-hold, then quantisation to `levels` steps.
void RunHeld(ShapeMode mode, Distortion* d, StereoPair block, float drive, float threshold,
             float levels) {
  const float inv = 1.0f / levels;
  for (int i = 0; i < kBlockFrames; ++i) {
    if (static_cast<float>(d->counter) >= threshold) {
      d->counter = 0;
      d->heldLeft = Shape(mode, drive * block.left[i]);
      d->heldRight = Shape(mode, drive * block.right[i]);
    } else {
      ++d->counter;
    }
    block.left[i] = std::nearbyint(d->heldLeft * levels) * inv;
    block.right[i] = std::nearbyint(d->heldRight * levels) * inv;
  }
}

}  // namespace

void WaveshaperInit(Waveshaper* shaper, Patch* patch) {
  shaper->patch = patch;
  shaper->curve = crt::AlignedNewArray<float>(kWaveshaperSize);
  shaper->exponent = 0.0f;
  shaper->drive = 0.0f;
}

void WaveshaperFree(Waveshaper* shaper) {
  crt::AlignedDeleteArray(shaper->curve, kWaveshaperSize);
  shaper->curve = nullptr;
}

void WaveshaperBuildCurve(Waveshaper* shaper, float exponent, float drive) {
  const float k = std::pow(drive, exponent);
  for (int i = 0; i < kWaveshaperSize; ++i)
    shaper->curve[i] = std::pow(static_cast<float>(i) * 3.0517578e-05f, exponent) * k;
}

void DistortionRun(Waveshaper* shaper, Distortion* distortion, StereoPair block) {
  const Patch* patch = shaper->patch;
  const ShapeMode mode = ModeFromParam(PatchGet(patch, kParamMode));
  const float hold = PatchGet(patch, kParamHold);
  const float e = 1.0f - PatchGet(patch, kParamBits);
  const float levels = std::pow(2.0f, 24.0f - 23.0f * e);
  const float drive = PatchGet(patch, kParamGain) * 16.0f + 17.0f;
  if (e != shaper->exponent || drive != shaper->drive) {
    WaveshaperBuildCurve(shaper, e, drive);
    shaper->exponent = e;
    shaper->drive = drive;
  }
  if (mode != ShapeMode::kCurve) {
    RunHeld(mode, distortion, block, drive, 39.0f - 39.0f * hold, levels);
    return;
  }
  for (int i = 0; i < kBlockFrames; ++i) {
    block.left[i] = CurveLookup(shaper->curve, block.left[i]);
    block.right[i] = CurveLookup(shaper->curve, block.right[i]);
  }
}
