#include "synth/voice_gen.h"

#include <cmath>

#include "platform/crt.h"
#include "synth/lfo.h"
#include "synth/osc_setup.h"
#include "synth/patch.h"
#include "synth/voice.h"

namespace {

constexpr int kFilterEnableParams[kPatchFilters] = {176, 183, 190, 196};

// The resets shared by retrigger and clear, in the order age, biquads, noise gains, (oscillator
// states: the caller), envelopes, LFOs.
void ResetVoiceState(VoiceGen* gen) {
  gen->age = 0.0f;
  for (Biquad& biquad : gen->biquads) BiquadClear(&biquad);
  NoiseStateInit(&gen->noiseGains);
}

void ResetEnvelopesAndLfos(VoiceGen* gen, const Patch* patch) {
  for (Envelope& envelope : gen->envelopes) EnvelopeKill(&envelope);
  for (int n = 0; n < kPatchLfos; ++n) {
    if (PatchGetInt(patch, kParamLfoBase + 4 * n + kLfoRetrigger) == 0) continue;
    LfoPhaseReset(&gen->lfoPhase[n]);
    gen->lfoValue[n] = 0.0f;
  }
}

void EnsureFilterBuffers(VoiceGen* gen) {
  if (gen->blockSize >= kBlockFrames) return;
  crt::AlignedDeleteArray(gen->filterLeft, kFilterBufferFrames);
  crt::AlignedDeleteArray(gen->filterRight, kFilterBufferFrames);
  gen->filterLeft = crt::AlignedNewArray<float>(kFilterBufferFrames);
  gen->filterRight = crt::AlignedNewArray<float>(kFilterBufferFrames);
  gen->blockSize = kBlockFrames;
}

void AdvanceModulators(Patch* patch, VoiceGen* gen, float dt) {
  float previous = 0.0f;
  for (int n = 0; n < kPatchLfos; ++n) {
    gen->lfoValue[n] = LfoEvaluate(patch->lfos[n], &gen->lfoPhase[n], previous);
    gen->lfoPhase[n] += dt;
    previous = gen->lfoValue[n];
  }
  for (int k = 0; k < kPatchEnvelopes; ++k) {
    gen->envValue[k] = EnvelopeAdvance(patch->envelopes[k], &gen->envelopes[k]);
  }
}

// Every unison copy of every oscillator, left side then right; returns the sounding renders.
// Copy u of c is offset by u/c of the pan spread and of the detune, + on the left, - on the right.
int RenderOscillators(Patch* patch, Voice* voice, StereoPair out, int32_t rate) {
  const float panSpread = PatchGet(patch, kParamUnisonPanSpread);
  const float detune = PatchGet(patch, kParamUnisonDetune);
  int copies = PatchGetInt(patch, kParamUnisonCopies);
  if (copies > kMaxUnisonCopies) copies = kMaxUnisonCopies;
  if (copies <= 0) return 0;
  const float inv = 1.0f / static_cast<float>(copies);
  const float panStep = panSpread * inv, detuneStep = detune * inv;
  int sounding = 0;
  for (int u = 0; u < copies; ++u) {
    const float pu = static_cast<float>(u) * panStep, du = static_cast<float>(u) * detuneStep;
    for (int k = 0; k < kPatchOscillators; ++k) {
      const Oscillator* osc = patch->oscillators[k];
      OscVoiceState* st = &voice->gen->oscState[3 * u + k];
      if (OscillatorIsSilent(osc, voice, st)) continue;
      OscillatorSetupLeft(osc, voice, pu, du, st);
      sounding += OscillatorRender(osc, st, out.left, rate);
      OscVoiceStateSaveLeft(st);
      OscillatorSetupRight(osc, voice, -pu, -du, st);
      sounding += OscillatorRender(osc, st, out.right, rate);
      OscVoiceStateSaveRight(st);
    }
  }
  return sounding;
}

// Designs and runs the enabled filters: in series (each filters the output in place) or, with
// parallel routing, each on the same unfiltered copy, their results summed.
void RunFilters(Patch* patch, Voice* voice, StereoPair out, int32_t rate) {
  VoiceGen* gen = voice->gen;
  bool on[kPatchFilters];
  for (int i = 0; i < kPatchFilters; ++i) on[i] = PatchGetInt(patch, kFilterEnableParams[i]) != 0;
  const bool parallel = PatchGetInt(patch, kParamFilterRouting) == 1;
  for (int i = 0; i < kPatchFilters; ++i) {
    if (on[i]) BiquadDesign(patch->filters[i], &gen->biquads[i], voice, rate);
  }
  StereoPair source = out;
  float mix = 0.0f;
  if (parallel) {
    for (int i = 0; i < kBlockFrames; ++i) {
      gen->filterLeft[i] = out.left[i];
      gen->filterRight[i] = out.right[i];
      out.left[i] = 0.0f;
      out.right[i] = 0.0f;
    }
    source = StereoPair{gen->filterLeft, gen->filterRight};
    mix = 1.0f;
  }
  for (int i = 0; i < kPatchFilters; ++i) {
    if (on[i]) BiquadRun(out, source, &gen->biquads[i], mix);
  }
}

}  // namespace

VoiceGen* VoiceGenCreate() {
  VoiceGen* gen = crt::AlignedNew<VoiceGen>();
  for (Biquad& biquad : gen->biquads) BiquadClear(&biquad);
  NoiseStateInit(&gen->noiseGains);
  for (OscVoiceState& state : gen->oscState) OscVoiceStateClear(&state);
  return gen;
}

void VoiceGenDestroy(VoiceGen* gen) {
  if (!gen) return;
  crt::AlignedDeleteArray(gen->filterLeft, kFilterBufferFrames);
  crt::AlignedDeleteArray(gen->filterRight, kFilterBufferFrames);
  crt::AlignedDelete(gen);
}

void VoiceGenGateOn(VoiceGen* gen, const Patch* patch) {
  for (int k = 0; k < kPatchOscillators; ++k) {
    OscVoiceStateStart(&gen->oscState[k], patch->oscillators[k]);
  }
}

void VoiceGenRetrigger(VoiceGen* gen, const Patch* patch) {
  ResetVoiceState(gen);
  ResetEnvelopesAndLfos(gen, patch);
}

void VoiceGenClear(VoiceGen* gen, const Patch* patch) {
  ResetVoiceState(gen);
  for (OscVoiceState& state : gen->oscState) OscVoiceStateClear(&state);
  ResetEnvelopesAndLfos(gen, patch);
}

bool VoiceGenEnvelopeIsOff(const VoiceGen* gen, int32_t select) {
  return EnvelopeIsOff(&gen->envelopes[(select - 1) & 3]);
}

bool VoiceGenRender(Patch* patch, Voice* voice, StereoPair out, int32_t rate) {
  VoiceGen* gen = voice->gen;
  const float dt = 256.0f / static_cast<float>(rate);
  EnsureFilterBuffers(gen);
  AdvanceModulators(patch, gen, dt);
  int sounding = RenderOscillators(patch, voice, out, rate);
  if (!NoiseIsSilent(patch->noise, voice)) {
    sounding += NoiseRender(patch->noise, &gen->noiseGains, voice, out);
  }
  gen->age += dt;
  gen->lifetime += dt;
  if (sounding == 0) return false;
  RunFilters(patch, voice, out, rate);
  const float gain = 0.1f * std::pow(10.0f, 0.1f * PatchGet(patch, kParamMasterGain));
  for (int i = 0; i < kBlockFrames; ++i) {
    out.left[i] *= gain;
    out.right[i] *= gain;
  }
  return true;
}
