#include "synth/envelope.h"

#include <cmath>

#include "synth/patch.h"

namespace {

constexpr float kEnvelopeStep = 0.0256f;
constexpr float kMinSquaredTime = 1e-9f;

// The five per-block quantities an envelope's parameters give.
struct EnvelopeRates {
  float attackInc;   // > 0
  float decayInc;    // < 0
  float sustain;     // >= 0
  float releaseInc;  // < 0
  float peak;
};

EnvelopeRates ReadRates(const EnvelopeSettings* settings) {
  const int base = kParamEnvelopeBase + 6 * settings->index;
  const Patch* patch = settings->patch;
  const float a = PatchGet(patch, base + kEnvAttack);
  const float d = PatchGet(patch, base + kEnvDecay);
  const float s = PatchGet(patch, base + kEnvSustain);
  const float r = PatchGet(patch, base + kEnvRelease);
  const float step = settings->step;
  EnvelopeRates rates;
  float attack = a * a;
  if (attack < kMinSquaredTime) attack = kMinSquaredTime;
  rates.attackInc = -std::log(0.94f * attack) * step;
  const float decay = d * d;
  rates.decayInc = decay > 0.0f ? 0.25f * std::log(0.94f * decay) * step : -1.0f;
  rates.sustain = s > 0.0f ? s : 0.0f;
  float release = r * r;
  if (!(release > kMinSquaredTime)) release = kMinSquaredTime;
  rates.releaseInc = 0.25f * std::log(0.94f * release) * step;
  rates.peak = PatchGet(patch, base + kEnvPeak);
  return rates;
}

// The sustain stage approaches s from either side by the decay increment's magnitude.
float MoveTowardsSustain(float level, float sustain, float decayInc) {
  if (level < sustain) {
    level -= decayInc;
    return level > sustain ? sustain : level;
  }
  if (level > sustain) {
    level += decayInc;
    return level < sustain ? sustain : level;
  }
  return level;
}

}  // namespace

void EnvelopeSettingsInit(EnvelopeSettings* settings, Patch* patch, int32_t k) {
  *settings = EnvelopeSettings{kEnvelopeStep, patch, k};
}

void EnvelopeTrigger(Envelope* envelope) { envelope->stage = kEnvStageAttack; }
void EnvelopeRelease(Envelope* envelope) { envelope->stage = kEnvStageRelease; }
void EnvelopeKill(Envelope* envelope) { *envelope = Envelope{0.0f, kEnvStageOff}; }
bool EnvelopeIsOff(const Envelope* envelope) { return envelope->stage == kEnvStageOff; }

float EnvelopeCurveExponent(float c) {
  if (c == 0.5f) return 1.0f;
  if (c > 0.5f) return (c - 0.5f) * 20.0f + 1.0f;
  return c * 1.8f + 0.1f;
}

float EnvelopeAdvance(const EnvelopeSettings* settings, Envelope* envelope) {
  const EnvelopeRates rates = ReadRates(settings);
  float level = envelope->level;
  switch (envelope->stage) {
    case kEnvStageAttack:
      level += rates.attackInc;
      if (level >= rates.peak) {
        level = rates.peak;
        envelope->stage = kEnvStageDecay;
      }
      break;
    case kEnvStageDecay:
      level += rates.decayInc;
      if (level <= rates.sustain * rates.peak) {
        level = rates.sustain * rates.peak;
        envelope->stage = kEnvStageSustain;
      }
      break;
    case kEnvStageSustain:
      level = MoveTowardsSustain(level, rates.sustain, rates.decayInc);
      break;
    case kEnvStageRelease:
      level += rates.releaseInc;
      if (level <= 0.0f) {
        level = 0.0f;
        envelope->stage = kEnvStageOff;
      }
      break;
    default:
      break;
  }
  envelope->level = level;
  const float c = PatchGet(settings->patch, kParamEnvelopeBase + 6 * settings->index + kEnvCurve);
  return std::pow(level, EnvelopeCurveExponent(c));
}
