#pragma once
// The effect chain of a channel: five effects over the channel's 256-frame block, each switched
// on by its own integer parameter and always applied in this order: phaser (211), distortion
// (215), stereo delay (220), reverb (224), equaliser (230). The running states live here; the
// settings that belong to the sound live in the patch.

#include <cstdint>

#include "synth/block.h"

struct Patch;
struct Phaser;
struct StereoDelay;
struct ReverbBuffers;
struct Distortion;
struct Equalizer;

constexpr int kEffectWorkFrames = 272;

struct EffectChain {
  float* workLeft;  // the delay's output, kEffectWorkFrames floats; allocated on the first run
  float* workRight;
  int32_t size;  // 0 until the work buffers exist, then 256
  Phaser* phaser;
  StereoDelay* delay;
  ReverbBuffers* reverb;
  Distortion* distortion;
  Equalizer* equalizer;
};

// Creates the phaser, reverb lines, delay, distortion and equaliser states, in that order.
EffectChain* EffectChainCreate();
void EffectChainDestroy(EffectChain* chain);
// Runs the enabled effects over `block` (256 frames) in place.
void EffectChainRun(Patch* patch, EffectChain* chain, StereoPair block, int32_t rate);

// The effect settings a patch owns (phaser settings, waveshaper, delay settings, reverb state,
// equaliser settings), built in that order after the rest of the patch, and freed.
void EffectSettingsCreate(Patch* patch);
void EffectSettingsDestroy(Patch* patch);
