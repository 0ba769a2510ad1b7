#pragma once
// A voice: one note of a channel, bound to the channel's patch, with its own generator state.
// The channel keeps a pool of voices and drives them: note start (velocity, pitch and glide),
// gate, release and the per-block glide step are the channel's; construction, the resets and
// the patch binding, which reach into the generator, live here.

#include <cstdint>

struct Patch;
struct VoiceGen;

struct Voice {
  uint8_t active;    // 1 from note start until the generator reports silence
  Patch* patch;      // bound patch, not owned; null until the first note
  VoiceGen* gen;     // owned
  uint8_t gate;      // 1 from note start until the note-off
  uint8_t note;      // note number 0..119 of the current note
  float frequency;   // current pitch in Hz (after glide); 440 after construction
  float velocity;    // velocity byte x (1/128); 1.0 after a reset
  float target;      // pitch of the current note in Hz; 440 after construction
  float glideDelta;  // target minus the glide's start pitch
  float glideStep;   // pitch change per block
};

// gen = VoiceGenCreate(); no patch; frequency and target 440 Hz; then VoiceClear.
void VoiceInit(Voice* voice);
// VoiceGenDestroy; the caller frees the voice.
void VoiceCleanup(Voice* voice);
// A voice ends: inactive, gate 0, note 0, velocity 1, no glide; VoiceGenClear when bound.
void VoiceClear(Voice* voice);
// A stolen voice restarts: active, gate 1, note 0, velocity 1, no glide; VoiceGenRetrigger when
// bound. Its oscillator phases are not restarted.
void VoiceRetrigger(Voice* voice);
// Binds the voice to patch; a different patch than before resets the four LFO times to 0 and
// kills the four envelopes.
void VoiceBindPatch(Voice* voice, Patch* patch);
// Gate-on of a voice that was free: active, gate 1, and the first unison copy's oscillator
// phases start (VoiceGenGateOn).
void VoiceGateOn(Voice* voice);
// EnvelopeTrigger (note start) or EnvelopeRelease (note-off) on the voice's four envelopes.
void VoiceTriggerEnvelopes(Voice* voice);
void VoiceReleaseEnvelopes(Voice* voice);
