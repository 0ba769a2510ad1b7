#pragma once
// A patch with its effect settings and one effect chain, for running effects over test signals
// in 256-frame blocks. Parameters are set by plain value.

#include <vector>

#include "platform/crt.h"
#include "synth/block.h"
#include "synth/effect_chain.h"
#include "synth/patch.h"

struct EffectRig {
  Patch* patch;
  EffectChain* chain;

  EffectRig() {
    patch = PatchInit(crt::AlignedNew<Patch>());
    EffectSettingsCreate(patch);
    chain = EffectChainCreate();
  }
  ~EffectRig() {
    EffectChainDestroy(chain);
    EffectSettingsDestroy(patch);
    PatchCleanup(patch);
    crt::AlignedDelete(patch);
  }
  void Set(int index, float plain) { ParamSet(PatchParam(patch, index), plain); }
  // Runs the chain over whole blocks of the signal in place (sizes are multiples of 256).
  void Run(std::vector<float>* left, std::vector<float>* right) {
    for (size_t at = 0; at + kBlockFrames <= left->size(); at += kBlockFrames)
      EffectChainRun(patch, chain, {left->data() + at, right->data() + at}, kSampleRate);
  }
};
