#include "synth/channel.h"

#include <cstring>

#include "platform/crt.h"
#include "synth/effect_chain.h"
#include "synth/patch.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"
#include "synth/wavetable.h"

namespace {

constexpr float kVelocityScale = 0.0078125f;  // 1/128
constexpr float kLoudLevel = 0.01f;

Patch* ChannelPatch(const Channel* channel) { return channel->patches[0]; }

// ---- Voice note start -----------------------------------------------------------------------

void VoiceSetVelocity(Voice* voice, uint8_t velocity) {
  voice->velocity = static_cast<float>(velocity) * kVelocityScale;
}

// Pitch and glide of a new note: the glide starts from the patch's previous note, whichever
// voice played it; the first note of a patch starts at its own pitch.
void VoiceStartNote(Voice* voice, uint8_t note, int32_t rate) {
  Patch* patch = voice->patch;
  voice->note = note;
  voice->target = NoteToFrequency(note);
  if (patch->lastNoteFrequency == -1.0f) patch->lastNoteFrequency = voice->target;
  voice->frequency = patch->lastNoteFrequency;
  voice->glideDelta = voice->target - voice->frequency;
  patch->lastNoteFrequency = voice->target;
  const float glide = PatchGet(patch, kParamGlideTime);
  voice->glideStep = glide == 0.0f
                         ? voice->glideDelta
                         : voice->glideDelta / (static_cast<float>(rate) * 0.00390625f * glide);
}

// The lowest free voice, or -1.
int FindFreeVoice(const Channel* channel) {
  for (int i = 0; i < kChannelVoices; ++i)
    if (!channel->voices[i]->active) return i;
  return -1;
}

void ChannelStartVoice(Channel* channel, uint8_t note, uint8_t velocity) {
  Patch* patch = ChannelPatch(channel);
  const float poly = PatchGet(patch, kParamPolyphony);
  int index = poly <= static_cast<float>(ChannelCountVoices(channel)) ? -1 : FindFreeVoice(channel);
  const bool stolen = index < 0;
  if (stolen) {
    index = ChannelFindVoiceToSteal(channel);
    if (index < 0) return;  // nothing to steal: the note is dropped
    VoiceRetrigger(channel->voices[index]);
  }
  Voice* voice = channel->voices[index];
  VoiceSetVelocity(voice, velocity);
  VoiceBindPatch(voice, patch);
  VoiceStartNote(voice, note, channel->sampleRate);
  VoiceTriggerEnvelopes(voice);
  if (!stolen) VoiceGateOn(voice);
}

// ---- Block rendering ------------------------------------------------------------------------

// Renders a new block: every active voice glides, renders into the scratch pair and is added;
// then the effect chain runs once any voice has ever rendered.
void RenderBlock(Channel* channel) {
  const size_t bytes = kBlockFrames * sizeof(float);
  std::memset(channel->blockLeft, 0, bytes);
  std::memset(channel->blockRight, 0, bytes);
  for (Voice* voice : channel->voices) {
    if (!voice->active) continue;
    VoiceGlideStep(voice);
    std::memset(channel->voiceLeft, 0, bytes);
    std::memset(channel->voiceRight, 0, bytes);
    channel->effectPatch = voice->patch;
    const StereoPair scratch = {channel->voiceLeft, channel->voiceRight};
    if (!VoiceGenRender(voice->patch, voice, scratch, channel->sampleRate)) VoiceClear(voice);
    for (int i = 0; i < kBlockFrames; ++i) {
      channel->blockLeft[i] += channel->voiceLeft[i];
      channel->blockRight[i] += channel->voiceRight[i];
    }
  }
  if (channel->effectPatch)
    EffectChainRun(channel->effectPatch, channel->effects,
                   {channel->blockLeft, channel->blockRight}, channel->sampleRate);
}

// Adds block frames [blockPos, blockPos + n) to out at outPos; true when a sample of the chunk
// exceeds the loudness level.
bool AddChunk(const Channel* channel, StereoPair out, int outPos, int n) {
  bool loud = false;
  for (int i = 0; i < n; ++i) {
    const float left = channel->blockLeft[channel->blockPos + i];
    const float right = channel->blockRight[channel->blockPos + i];
    out.left[outPos + i] += left;
    out.right[outPos + i] += right;
    loud = loud || left > kLoudLevel || right > kLoudLevel;
  }
  return loud;
}

int32_t NextSilenceState(int32_t state, bool loud) {
  if (loud) return state > 2 ? kSilenceCounting : state;
  return state <= 2 ? kSilenceCounting : state + 1;
}

}  // namespace

// ---- Entry points -----------------------------------------------------------------------------

Channel* ChannelInit(Channel* channel) {
  SqrtTableBuild();
  channel->patchCount = 1;
  channel->patches = crt::AlignedNewArray<Patch*>(1);
  channel->sampleRate = kSampleRate;
  channel->silence = kSilenceCounting;
  channel->voiceLeft = crt::AlignedNewArray<float>(kBlockFrames);
  channel->voiceRight = crt::AlignedNewArray<float>(kBlockFrames);
  channel->blockLeft = crt::AlignedNewArray<float>(kBlockFrames);
  channel->blockRight = crt::AlignedNewArray<float>(kBlockFrames);
  channel->blockPos = 0;
  channel->effects = EffectChainCreate();
  channel->effectPatch = nullptr;
  Patch* patch = PatchInit(crt::AlignedNew<Patch>());
  EffectSettingsCreate(patch);
  channel->patches[0] = patch;
  for (Voice*& voice : channel->voices) {
    voice = crt::AlignedNew<Voice>();
    VoiceInit(voice);
  }
  NoteFrequencyTableBuild();
  WavetableBankBuild();
  return channel;
}

void ChannelSetRate44100(Channel* channel) { channel->sampleRate = 44100; }

void ChannelSetParam(Channel* channel, int32_t index, float norm) {
  PatchParam(ChannelPatch(channel), index)->norm = norm;
}

void ChannelNoteOn(Channel* channel, uint8_t note, uint8_t velocity) {
  if (note >= kNoteCount) return;
  channel->silence = kSilenceHeld;
  if (PatchGetInt(ChannelPatch(channel), kParamNoteGate) == 0)
    ChannelStartVoice(channel, note, velocity);
}

void ChannelNoteOff(Channel* channel, uint8_t note) {
  if (note >= kNoteCount) return;
  channel->silence = kSilenceReleased;
  for (Voice* voice : channel->voices) {
    if (voice->note != note || !voice->gate) continue;
    voice->gate = 0;
    VoiceReleaseEnvelopes(voice);
  }
}

void ChannelRender(Channel* channel, float* left, float* right) {
  ChannelRenderFrames(channel, {left, right}, kChannelPullFrames);
}

void ChannelRenderFrames(Channel* channel, StereoPair out, int frames) {
  if (channel->silence >= kSilenceStopped) return;
  int remaining = frames, outPos = 0;
  while (remaining > 0) {
    if (channel->blockPos == 0) RenderBlock(channel);
    const int n =
        remaining < kBlockFrames - channel->blockPos ? remaining : kBlockFrames - channel->blockPos;
    const bool loud = AddChunk(channel, out, outPos, n);
    if (channel->silence != kSilenceHeld)
      channel->silence = NextSilenceState(channel->silence, loud);
    remaining -= n;
    outPos += n;
    channel->blockPos += n;
    if (channel->blockPos == kBlockFrames) channel->blockPos = 0;
  }
}

void ChannelCleanup(Channel* channel) {
  crt::AlignedDeleteArray(channel->voiceLeft, kBlockFrames);
  crt::AlignedDeleteArray(channel->voiceRight, kBlockFrames);
  crt::AlignedDeleteArray(channel->blockLeft, kBlockFrames);
  crt::AlignedDeleteArray(channel->blockRight, kBlockFrames);
  EffectChainDestroy(channel->effects);
  Patch* patch = ChannelPatch(channel);
  EffectSettingsDestroy(patch);
  PatchCleanup(patch);
  crt::AlignedDelete(patch);
  for (Voice*& voice : channel->voices) {
    VoiceCleanup(voice);
    crt::AlignedDelete(voice);
    voice = nullptr;
  }
  crt::AlignedDeleteArray(channel->patches, 1);
  channel->patches = nullptr;
  WavetableBankRelease();
}

// ---- Voice allocation -------------------------------------------------------------------------

int ChannelCountVoices(const Channel* channel) {
  const Patch* patch = ChannelPatch(channel);
  int count = 0;
  for (const Voice* voice : channel->voices) count += voice->active && voice->patch == patch;
  return count;
}

int ChannelFindVoiceToSteal(const Channel* channel) {
  const Patch* patch = ChannelPatch(channel);
  int first = -1, oldest = -1;
  float maxAge = 0.0f;
  for (int i = 0; i < kChannelVoices; ++i) {
    const Voice* voice = channel->voices[i];
    if (!voice->active || voice->patch != patch) continue;
    if (first < 0) first = i;
    if (voice->gen->age > maxAge) {
      maxAge = voice->gen->age;
      oldest = i;
    }
  }
  return oldest >= 0 ? oldest : first;
}

void VoiceGlideStep(Voice* voice) {
  if (voice->frequency > voice->target) {
    voice->frequency += voice->glideStep;
    if (voice->frequency < voice->target) voice->frequency = voice->target;
  } else if (voice->frequency < voice->target) {
    voice->frequency += voice->glideStep;
    if (voice->frequency > voice->target) voice->frequency = voice->target;
  }
}
