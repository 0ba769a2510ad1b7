#pragma once
// A Channel: one instrument of the synthesizer. It owns one patch, a pool of 256 voices, a
// 256-frame stereo block the voices are mixed into, and the effect chain that works on that
// block. The music player sends note events and pulls 100 frames at a time.
//
// Threads: ChannelInit, ChannelSetRate44100, ChannelSetParam and ChannelCleanup on the main
// thread while the sequencer is not running; notes and rendering only on the sequencer thread.
//
// Silence state: 1 while a note is held (output added untested); 0 after a note-off (output
// added and tested); 3..999 counts consecutive silent chunks plus 3; 1000 or above (a pull
// across a block boundary counts two chunks) stops the channel: rendering returns at once
// until the next note-on. A chunk is the part of one pull that falls
// into one block; it is loud when a left or right sample exceeds 0.01 (negative samples never
// count). A loud chunk sets a state above 2 back to 3; a silent chunk moves 0 or 2 to 3 and
// counts 3..999 up.

#include <cstdint>

#include "synth/block.h"

struct Patch;
struct Voice;
struct EffectChain;

constexpr int kChannelVoices = 256;
constexpr int kChannelPullFrames = 100;
constexpr int32_t kSilenceHeld = 1;
constexpr int32_t kSilenceReleased = 0;
constexpr int32_t kSilenceCounting = 3;
constexpr int32_t kSilenceStopped = 1000;

struct Channel {
  int32_t patchCount;  // always 1
  Patch** patches;     // the channel's patch list; its one patch is owned
  Voice* voices[kChannelVoices];
  float* voiceLeft;  // scratch block of one voice, 256 floats
  float* voiceRight;
  float* blockLeft;  // the mixed block, 256 floats
  float* blockRight;
  int32_t blockPos;    // frames of the block already handed out, 0..255; 0 renders anew
  int32_t sampleRate;  // 44100
  EffectChain* effects;
  Patch* effectPatch;  // patch of the last voice rendered; null until one has rendered
  int32_t silence;     // silence state, 3 after construction
};

// Constructs the channel in place (the caller allocates it 16-byte aligned): shared square-root
// table, patch list, blocks, effect chain, patch (every parameter at its minimum), 256 voices,
// note-frequency table, one reference on the shared wavetable bank.
Channel* ChannelInit(Channel* channel);
void ChannelSetRate44100(Channel* channel);
// Stores `norm` as the normalised value of parameter `index` of the channel's patch (no check,
// no clamp: reads clamp).
void ChannelSetParam(Channel* channel, int32_t index, float norm);
// Silence state 1; starts a voice when the note-gate parameter (94) reads 0. Notes above 119
// are ignored.
void ChannelNoteOn(Channel* channel, uint8_t note, uint8_t velocity);
// Silence state 0; releases every gated voice on the note. Notes above 119 are ignored.
void ChannelNoteOff(Channel* channel, uint8_t note);
// Adds the next 100 frames of the channel to out.left[0..99] and out.right[0..99].
void ChannelRender(Channel* channel, float* left, float* right);
// Adds the next `frames` frames (any count); ChannelRender is this with 100.
void ChannelRenderFrames(Channel* channel, StereoPair out, int frames);
// Frees everything the channel owns; the caller frees the record.
void ChannelCleanup(Channel* channel);

// Voice allocation, exposed for the channel's tests.
// Voices active and bound to the channel's patch.
int ChannelCountVoices(const Channel* channel);
// The active voice of the channel's patch with the greatest age (lowest index among equals);
// when none has an age above 0, the first active one; -1 when none is active.
int ChannelFindVoiceToSteal(const Channel* channel);
// One block's glide of a voice towards its target, never past it.
void VoiceGlideStep(Voice* voice);
