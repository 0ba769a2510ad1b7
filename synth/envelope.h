#pragma once
// Envelopes: a level between 0 and 1 that moves once per 256-frame block through attack, decay,
// sustain and release. Increments come from the logarithm of the squared time parameters; the
// value handed out is the level raised to a curve exponent.

#include <cstdint>

struct Patch;

// Envelope k (0..3) reads parameters kParamEnvelopeBase + 6k + offset, every range 0..1.
constexpr int kParamEnvelopeBase = 152;
enum EnvelopeParamOffset : int {
  kEnvAttack = 0,
  kEnvDecay = 1,
  kEnvSustain = 2,
  kEnvRelease = 3,
  kEnvCurve = 4,
  kEnvPeak = 5,
};

// Stages; 2 and 3 are never entered and, like off, hold the level.
enum EnvelopeStage : int32_t {
  kEnvStageAttack = 0,
  kEnvStageDecay = 1,
  kEnvStageSustain = 4,
  kEnvStageRelease = 5,
  kEnvStageOff = 6,
};

// Patch side: one per envelope of a patch.
struct EnvelopeSettings {
  float step;  // 0.0256: the scale of every per-block increment
  Patch* patch;
  int32_t index;  // k, 0..3
};

// Voice side: one per envelope of a voice.
struct Envelope {
  float level;
  int32_t stage;
};

void EnvelopeSettingsInit(EnvelopeSettings* settings, Patch* patch, int32_t k);
// Stage attack; the level stays (a fresh or killed envelope starts from 0).
void EnvelopeTrigger(Envelope* envelope);
// Stage release; the level stays.
void EnvelopeRelease(Envelope* envelope);
// Stage off, level 0.
void EnvelopeKill(Envelope* envelope);
bool EnvelopeIsOff(const Envelope* envelope);

// Advances the envelope by one block and returns level^e, e the curve exponent.
// With a, d, s, r the attack, decay, sustain and release parameters and step 0.0256:
//   attack  += -ln(0.94 x max(a^2, 1e-9)) x step        until the level reaches the peak p
//   decay   += 0.25 x ln(0.94 x d^2) x step (-1 when d = 0) until it falls to s x p
//   sustain moves towards s (not s x p) by |decay increment| per block
//   release += 0.25 x ln(0.94 x max(r^2, 1e-9)) x step  until it reaches 0, then off
// Curve c: e = 1 at c = 0.5, (c - 0.5) x 20 + 1 above (up to 11), c x 1.8 + 0.1 below.
float EnvelopeAdvance(const EnvelopeSettings* settings, Envelope* envelope);
// The curve exponent of a curve parameter c (0..1).
float EnvelopeCurveExponent(float c);
