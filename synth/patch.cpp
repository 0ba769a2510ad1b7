#include "synth/patch.h"

#include "platform/crt.h"
#include "synth/biquad.h"
#include "synth/envelope.h"
#include "synth/lfo.h"
#include "synth/noise.h"
#include "synth/oscillator.h"

namespace {

// Filters in the patch's order and their kinds.
constexpr int32_t kPatchFilterKinds[kPatchFilters] = {kFilterLowPass, kFilterHighPass,
                                                      kFilterBandPass, kFilterNotch};

}  // namespace

Patch* PatchInit(Patch* patch) {
  *patch = Patch{};
  for (int n = 0; n < kPatchOscillators; ++n) {
    patch->oscillators[n] = crt::AlignedNew<Oscillator>();
    OscillatorInit(patch->oscillators[n], patch, n);
  }
  for (int n = 0; n < kPatchLfos; ++n) {
    patch->lfos[n] = crt::AlignedNew<Lfo>();
    StorePair(patch->lfos[n], patch, n);
  }
  for (int k = 0; k < kPatchEnvelopes; ++k) {
    patch->envelopes[k] = crt::AlignedNew<EnvelopeSettings>();
    EnvelopeSettingsInit(patch->envelopes[k], patch, k);
  }
  patch->lastNoteFrequency = -1.0f;
  patch->params = ParamTableCreate();
  patch->noise = NoiseTableAcquire(patch, crt::AlignedNew<NoiseSource>());
  for (int i = 0; i < kPatchFilters; ++i) {
    patch->filters[i] = crt::AlignedNew<FilterSettings>(patch, kPatchFilterKinds[i]);
  }
  return patch;
}

void PatchCleanup(Patch* patch) {
  for (Oscillator*& osc : patch->oscillators) {
    if (!osc) continue;
    OscillatorFreePadTable(osc);
    crt::AlignedDelete(osc);
    osc = nullptr;
  }
  for (EnvelopeSettings*& settings : patch->envelopes) {
    crt::AlignedDelete(settings);
    settings = nullptr;
  }
  for (Lfo*& lfo : patch->lfos) {
    crt::AlignedDelete(lfo);
    lfo = nullptr;
  }
  if (patch->noise) {
    NoiseTableRelease();
    crt::AlignedDelete(patch->noise);
    patch->noise = nullptr;
  }
  for (FilterSettings*& filter : patch->filters) {
    crt::AlignedDelete(filter);
    filter = nullptr;
  }
  ParamTableDestroy(patch->params);
  patch->params = nullptr;
}
