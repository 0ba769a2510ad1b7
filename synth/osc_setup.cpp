#include "synth/osc_setup.h"

#include <cmath>

#include "synth/block.h"
#include "synth/oscillator.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"

namespace {

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

// Whether the oscillator's level source (its envelope, or the gate without one) has ended.
bool LevelSourceEnded(const Oscillator* osc, const Voice* voice) {
  const int32_t s = OscillatorParamInt(osc, kOscLevelEnv);
  return s != 0 ? VoiceGenEnvelopeIsOff(voice->gen, s) : voice->gate == 0;
}

struct SideFields {
  int fineTune;  // parameter offset of the side's fine tune
  float OscVoiceState::*savedPhase;
  float OscVoiceState::*savedAmplitude;
  bool left;
};

void SetupSide(const Oscillator* osc, const Voice* voice, float sigma, float delta,
               OscVoiceState* state, const SideFields& side) {
  const float fine = OscillatorParam(osc, side.fineTune);
  const float width = OscillatorParam(osc, kOscPulseWidth);
  const float rate = OscillatorParam(osc, kOscPwmRate);
  const int32_t law = OscillatorParamInt(osc, kOscPanLaw);
  const OscModulation m = OscillatorModulate(osc, voice);
  float detune = 64.0f * (fine * fine * fine) + 16.0f * delta;
  detune = detune < -64.0f ? -64.0f : (detune > 64.0f ? 64.0f : detune);
  const float pan = Clamp01(m.pan + 0.25f * sigma);
  const float clock = side.left ? voice->gen->lifetime : voice->gen->age;
  state->shape = rate * rate == 0.0f ? kTwoPi * width : PulseWidthFromLfo(osc, clock);
  state->rampStart = state->*side.savedAmplitude;
  state->phase = state->*side.savedPhase;
  state->frequency = m.frequency * (1.0f + detune * (1.0f / 768.0f));
  if (LevelSourceEnded(osc, voice)) {
    state->amplitude = 0.0f;
    return;
  }
  const PanGains gains = PanLaw(law, pan);
  state->amplitude = (side.left ? gains.left : gains.right) * m.level * voice->velocity;
}

}  // namespace

bool OscillatorIsSilent(const Oscillator* osc, const Voice* voice, const OscVoiceState* state) {
  if (OscillatorParamInt(osc, kOscWaveform) == 0) return true;
  if (!LevelSourceEnded(osc, voice)) return false;
  return state->savedLeftAmplitude == 0.0f && state->savedRightAmplitude == 0.0f;
}

OscModulation OscillatorModulate(const Oscillator* osc, const Voice* voice) {
  const VoiceGen* gen = voice->gen;
  OscModulation m;
  float v = OscillatorParam(osc, kOscPan);
  if (const int32_t s = OscillatorParamInt(osc, kOscPanEnv)) v = VoiceGenEnvelope(gen, s) * v;
  if (const int32_t s = OscillatorParamInt(osc, kOscPanLfo)) v = VoiceGenLfo(gen, s) * v;
  m.pan = Clamp01(v);
  float a = OscillatorParam(osc, kOscLevel);
  if (const int32_t s = OscillatorParamInt(osc, kOscLevelEnv)) a = VoiceGenEnvelope(gen, s) * a;
  if (const int32_t s = OscillatorParamInt(osc, kOscLevelLfo)) {
    a = (VoiceGenLfo(gen, s) + 1.0f) * a * 0.5f;
  }
  m.level = Clamp01(a);
  const float fixed = OscillatorParam(osc, kOscFixedFreq);
  float f = fixed * fixed != 0.0f ? fixed * fixed : voice->frequency;
  if (const int32_t s = OscillatorParamInt(osc, kOscFreqEnv)) f = VoiceGenEnvelope(gen, s) * f;
  if (const int32_t s = OscillatorParamInt(osc, kOscFreqLfo)) {
    f = 0.5f * (VoiceGenLfo(gen, s) + 1.0f) * f;
  }
  const int32_t octave = OscillatorParamInt(osc, kOscOctave);
  const int32_t semitone = OscillatorParamInt(osc, kOscSemitone);
  f = f * (std::ldexp(1.0f, octave) + static_cast<float>(semitone) / 12.0f);
  m.frequency = f < 0.0f ? 0.0f : f;
  return m;
}

float PulseWidthFromLfo(const Oscillator* osc, float t) {
  const float r = OscillatorParam(osc, kOscPwmRate);
  return kPi + 2.984513f * std::sin(std::fmod(kTwoPi * r * t, kTwoPi));
}

void OscillatorSetupLeft(const Oscillator* osc, const Voice* voice, float sigma, float delta,
                         OscVoiceState* state) {
  SetupSide(osc, voice, sigma, delta, state,
            SideFields{kOscFineLeft, &OscVoiceState::savedLeftPhase,
                       &OscVoiceState::savedLeftAmplitude, true});
}

void OscillatorSetupRight(const Oscillator* osc, const Voice* voice, float sigma, float delta,
                          OscVoiceState* state) {
  SetupSide(osc, voice, sigma, delta, state,
            SideFields{kOscFineRight, &OscVoiceState::savedRightPhase,
                       &OscVoiceState::savedRightAmplitude, false});
}
