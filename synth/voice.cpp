#include "synth/voice.h"

#include "synth/envelope.h"
#include "synth/lfo.h"
#include "synth/voice_gen.h"

namespace {

// The fields both resets give the voice.
void ResetNote(Voice* voice, uint8_t active) {
  voice->active = active;
  voice->gate = active;
  voice->note = 0;
  voice->velocity = 1.0f;
  voice->glideDelta = 0.0f;
  voice->glideStep = 0.0f;
}

}  // namespace

void VoiceInit(Voice* voice) {
  voice->gen = VoiceGenCreate();
  voice->patch = nullptr;
  voice->frequency = 440.0f;
  voice->target = 440.0f;
  VoiceClear(voice);
}

void VoiceCleanup(Voice* voice) {
  VoiceGenDestroy(voice->gen);
  voice->gen = nullptr;
}

void VoiceClear(Voice* voice) {
  ResetNote(voice, 0);
  if (voice->patch) VoiceGenClear(voice->gen, voice->patch);
}

void VoiceRetrigger(Voice* voice) {
  ResetNote(voice, 1);
  if (voice->patch) VoiceGenRetrigger(voice->gen, voice->patch);
}

void VoiceBindPatch(Voice* voice, Patch* patch) {
  if (voice->patch != patch) {
    for (int n = 0; n < 4; ++n) LfoPhaseReset(&voice->gen->lfoPhase[n]);
    for (Envelope& envelope : voice->gen->envelopes) EnvelopeKill(&envelope);
  }
  voice->patch = patch;
}

void VoiceGateOn(Voice* voice) {
  voice->active = 1;
  voice->gate = 1;
  VoiceGenGateOn(voice->gen, voice->patch);
}

void VoiceTriggerEnvelopes(Voice* voice) {
  for (Envelope& envelope : voice->gen->envelopes) EnvelopeTrigger(&envelope);
}

void VoiceReleaseEnvelopes(Voice* voice) {
  for (Envelope& envelope : voice->gen->envelopes) EnvelopeRelease(&envelope);
}
