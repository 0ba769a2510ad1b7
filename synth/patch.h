#pragma once
// A Patch: one sound of the synthesizer. It owns the 249 parameters and the patch-side
// descriptors (oscillators, noise source, envelopes, LFOs, filters, effect settings) through
// which the voice and effect code reads them. Each channel owns one patch.

#include <cstdint>

#include "synth/param.h"

struct Oscillator;
struct NoiseSource;
struct EnvelopeSettings;
struct Lfo;
struct FilterSettings;
struct PhaserSettings;
struct Waveshaper;
struct DelaySettings;
struct ReverbState;
struct EqualizerSettings;

// Indices of the patch-wide parameters (the blocks of the oscillators, noise, LFOs, envelopes
// and filters are named where they are read).
enum PatchParamIndex : int {
  kParamMasterGain = 0,         // -20..20 dB; a voice's output is scaled by 0.1 x 10^(dB / 10)
  kParamFilterRouting = 1,      // int: 1 runs the enabled filters in parallel, else in series
  kParamPolyphony = 2,          // 1..16, compared as a float with the sounding voice count
  kParamGlideTime = 3,          // 0..1
  kParamUnisonDetune = 4,       // 0..1: copy u of c is detuned by u x value / c
  kParamUnisonCopies = 5,       // int 1..9
  kParamNoteGate = 94,          // int: a note-on starts a voice only when this reads 0
  kParamUnisonPanSpread = 242,  // 0..1: copy u of c is panned by u x value / c
};

constexpr int kPatchOscillators = 3;
constexpr int kPatchEnvelopes = 4;
constexpr int kPatchLfos = 4;
constexpr int kPatchFilters = 4;

struct Patch {
  Param* params;  // kParamCount entries
  Oscillator* oscillators[kPatchOscillators];
  NoiseSource* noise;
  EnvelopeSettings* envelopes[kPatchEnvelopes];
  Lfo* lfos[kPatchLfos];
  FilterSettings* filters[kPatchFilters];  // low-pass, high-pass, band-pass, notch
  // Effect settings, owned; built and freed by the effect code (null where it has none).
  PhaserSettings* phaser;
  Waveshaper* shaper;
  DelaySettings* delay;
  ReverbState* reverb;
  EqualizerSettings* equalizer;
  // Frequency in Hz of the most recent note started on this patch; -1 until the first note.
  float lastNoteFrequency;
};

// Constructs a patch in place (the caller allocates the record) and returns it. The first call
// after start-up builds the shared random-phase table and then the shared white-noise table,
// drawing 65,536 values from crt::rand for each, in that order.
Patch* PatchInit(Patch* patch);
// Frees everything the patch owns; the caller frees the record. Null members are skipped.
void PatchCleanup(Patch* patch);

// Shorthands for parameter `index` of the patch.
inline Param* PatchParam(const Patch* patch, int index) { return &patch->params[index]; }
inline float PatchGet(const Patch* patch, int index) { return ParamGet(&patch->params[index]); }
inline int32_t PatchGetInt(const Patch* patch, int index) {
  return ParamGetInt(&patch->params[index]);
}
