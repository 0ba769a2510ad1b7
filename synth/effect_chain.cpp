#include "synth/effect_chain.h"

#include <cstring>

#include "platform/crt.h"
#include "synth/delay.h"
#include "synth/distortion.h"
#include "synth/equalizer.h"
#include "synth/patch.h"
#include "synth/phaser.h"
#include "synth/reverb.h"

namespace {

constexpr int kParamPhaserOn = 211;
constexpr int kParamDistortionOn = 215;
constexpr int kParamDelayOn = 220;
constexpr int kParamReverbOn = 224;
constexpr int kParamEqualizerOn = 230;

void FreeWork(EffectChain* chain) {
  crt::AlignedDeleteArray(chain->workLeft, kEffectWorkFrames);
  crt::AlignedDeleteArray(chain->workRight, kEffectWorkFrames);
  chain->workLeft = chain->workRight = nullptr;
}

void RunDelay(Patch* patch, EffectChain* chain, StereoPair block, int32_t rate) {
  StereoDelayConfigure(patch->delay, chain->delay, rate);
  StereoDelayRun(patch->delay, {chain->workLeft, chain->workRight}, chain->delay, block);
  std::memcpy(block.left, chain->workLeft, kBlockFrames * sizeof(float));
  std::memcpy(block.right, chain->workRight, kBlockFrames * sizeof(float));
}

}  // namespace

EffectChain* EffectChainCreate() {
  EffectChain* chain = crt::AlignedNew<EffectChain>();
  chain->phaser = crt::AlignedNew<Phaser>();
  chain->reverb = ReverbBuffersCreate();
  chain->delay = crt::AlignedNew<StereoDelay>();
  chain->distortion = crt::AlignedNew<Distortion>();
  chain->equalizer = crt::AlignedNew<Equalizer>();
  return chain;
}

void EffectChainDestroy(EffectChain* chain) {
  crt::AlignedDelete(chain->phaser);
  ReverbBuffersDestroy(chain->reverb);
  StereoDelayDestroy(chain->delay);
  crt::AlignedDelete(chain->distortion);
  crt::AlignedDelete(chain->equalizer);
  FreeWork(chain);
  crt::AlignedDelete(chain);
}

void EffectChainRun(Patch* patch, EffectChain* chain, StereoPair block, int32_t rate) {
  if (chain->size < kBlockFrames) {
    FreeWork(chain);
    chain->workLeft = crt::AlignedNewArray<float>(kEffectWorkFrames);
    chain->workRight = crt::AlignedNewArray<float>(kEffectWorkFrames);
    chain->size = kBlockFrames;
  }
  if (PatchGetInt(patch, kParamPhaserOn) != 0) PhaserRun(chain->phaser, patch->phaser, block);
  if (PatchGetInt(patch, kParamDistortionOn) != 0)
    DistortionRun(patch->shaper, chain->distortion, block);
  if (PatchGetInt(patch, kParamDelayOn) != 0) RunDelay(patch, chain, block, rate);
  if (PatchGetInt(patch, kParamReverbOn) != 0) {
    ReverbUpdate(chain->reverb, patch->reverb);
    ReverbRun(patch->reverb, block);
  }
  if (PatchGetInt(patch, kParamEqualizerOn) != 0) {
    EqualizerDesign(patch->equalizer, chain->equalizer, rate);
    EqualizerRun(chain->equalizer, block);
  }
}

void EffectSettingsCreate(Patch* patch) {
  patch->phaser = crt::AlignedNew<PhaserSettings>();
  PhaserSettingsInit(patch->phaser, patch);
  patch->shaper = crt::AlignedNew<Waveshaper>();
  WaveshaperInit(patch->shaper, patch);
  patch->delay = crt::AlignedNew<DelaySettings>(patch, 0);
  patch->reverb = crt::AlignedNew<ReverbState>();
  ReverbStateInit(patch->reverb, patch);
  patch->equalizer = crt::AlignedNew<EqualizerSettings>(patch);
}

void EffectSettingsDestroy(Patch* patch) {
  crt::AlignedDelete(patch->phaser);
  if (patch->shaper) WaveshaperFree(patch->shaper);
  crt::AlignedDelete(patch->shaper);
  crt::AlignedDelete(patch->delay);
  crt::AlignedDelete(patch->reverb);
  crt::AlignedDelete(patch->equalizer);
  patch->phaser = nullptr;
  patch->shaper = nullptr;
  patch->delay = nullptr;
  patch->reverb = nullptr;
  patch->equalizer = nullptr;
}
