#include "synth/noise.h"

#include "platform/crt.h"
#include "synth/patch.h"
#include "synth/tables.h"
#include "synth/voice.h"
#include "synth/voice_gen.h"

namespace {

float* g_noiseTable = nullptr;
int32_t g_noiseRefs = 0;

void NoiseTableFill() {
  g_noiseTable = crt::AlignedNewArray<float>(kNoiseTableSize);
  constexpr float K = 10923.0f;
  for (int i = 0; i < kNoiseTableSize; ++i) {
    const float u = static_cast<float>(crt::rand()) * (1.0f / 32768.0f);
    g_noiseTable[i] = FlushDenormal((6.0f * K * u - 3.0f * (K - 1.0f)) * 3.0518509e-5f);
  }
}

// One sample of the pink filter (a sum of six one-pole sections and a direct term, whose
// state both channels share).
float PinkSample(float* b, float w) {
  b[0] = 0.99886f * b[0] + 0.0555179f * w;
  b[1] = 0.99332f * b[1] + 0.0750759f * w;
  b[2] = 0.969f * b[2] + 0.153852f * w;
  b[3] = 0.8665f * b[3] + 0.3104856f * w;
  b[4] = 0.55f * b[4] + 0.5329522f * w;
  b[5] = -0.7616f * b[5] - 0.016898f * w;
  const float pink = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + 0.5362f * w;
  b[6] = 0.115926f * w;
  return pink;
}

// Adds the block, the gains ramping from `from` to `to`. Pink noise is scaled by 0.3.
template <bool kPink>
void AddNoise(NoiseSource* source, NoiseGainPair from, NoiseGainPair to, StereoPair out) {
  const float stepL = (to.left - from.left) * (1.0f / 256.0f);
  const float stepR = (to.right - from.right) * (1.0f / 256.0f);
  float gL = from.left, gR = from.right;
  constexpr float kScale = kPink ? 0.3f : 1.0f;
  int pos = source->position;
  for (int i = 0; i < kBlockFrames; ++i) {
    float wl = g_noiseTable[pos++ & (kNoiseTableSize - 1)];
    if (kPink) wl = PinkSample(source->pink, wl);
    float wr = g_noiseTable[pos++ & (kNoiseTableSize - 1)];
    if (kPink) wr = PinkSample(source->pink, wr);
    out.left[i] += wl * gL * kScale;
    out.right[i] += wr * gR * kScale;
    gL += stepL;
    gR += stepR;
  }
  source->position = pos >= kNoiseTableSize ? 0 : pos;
}

}  // namespace

NoiseSource* NoiseTableAcquire(Patch* patch, NoiseSource* source) {
  source->patch = patch;
  if (!g_noiseTable) NoiseTableFill();
  ++g_noiseRefs;
  source->position = 0;
  return source;
}

void NoiseTableRelease() {
  if (--g_noiseRefs > 0) return;
  crt::AlignedDeleteArray(g_noiseTable, kNoiseTableSize);
  g_noiseTable = nullptr;
  g_noiseRefs = 0;
}

float NoiseTableEntry(int i) { return g_noiseTable[i & (kNoiseTableSize - 1)]; }

void NoiseStateInit(NoiseGainPair* gains) { *gains = NoiseGainPair{0.0f, 0.0f}; }

bool NoiseIsSilent(const NoiseSource* source, const Voice* voice) {
  const int32_t s = PatchGetInt(source->patch, kParamNoiseLevelEnv);
  return s != 0 ? VoiceGenEnvelopeIsOff(voice->gen, s) : voice->gate == 0;
}

NoiseGainPair NoiseGains(const NoiseSource* source, const Voice* voice) {
  const Patch* patch = source->patch;
  const VoiceGen* gen = voice->gen;
  float v = PatchGet(patch, kParamNoisePan);
  if (const int32_t s = PatchGetInt(patch, kParamNoisePanEnv)) v = VoiceGenEnvelope(gen, s) * v;
  if (const int32_t s = PatchGetInt(patch, kParamNoisePanLfo)) v = v * VoiceGenLfo(gen, s);
  v = v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
  float g = PatchGet(patch, kParamNoiseLevel);
  if (const int32_t s = PatchGetInt(patch, kParamNoiseLevelEnv)) g = VoiceGenEnvelope(gen, s) * g;
  if (const int32_t s = PatchGetInt(patch, kParamNoiseLevelLfo)) g = g * VoiceGenLfo(gen, s);
  if (g < 0.0f) g = 0.0f;
  const PanGains pan = PanLaw(PatchGetInt(patch, kParamNoisePanLaw), v);
  return NoiseGainPair{g * voice->velocity * pan.left, g * voice->velocity * pan.right};
}

bool NoiseRender(NoiseSource* source, NoiseGainPair* gains, const Voice* voice, StereoPair out) {
  const int32_t type = PatchGetInt(source->patch, kParamNoiseType);
  if (type == 0) return false;
  const NoiseGainPair from = *gains;
  const NoiseGainPair to = NoiseGains(source, voice);
  *gains = to;
  if (type == 1) AddNoise<false>(source, from, to, out);
  if (type == 2) AddNoise<true>(source, from, to, out);
  return true;
}
