#include "synth/reverb.h"

#include "platform/crt.h"
#include "synth/patch.h"

namespace {

constexpr int kParamRoom = 225;
constexpr int kParamDamping = 226;
constexpr int kParamWet = 227;
constexpr int kParamDry = 228;
constexpr int kParamWidth = 229;
constexpr int32_t kStereoSpread = 23;
constexpr int32_t kCombLengths[kReverbCombs] = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr int32_t kAllpassLengths[kReverbAllpasses] = {556, 441, 341, 225};

// Length of line `i` of the buffer holder (combs first, each as left, right).
int32_t LineLength(int i) {
  const int32_t spread = (i & 1) ? kStereoSpread : 0;
  const int pair = i / 2;
  return (pair < kReverbCombs ? kCombLengths[pair] : kAllpassLengths[pair - kReverbCombs]) + spread;
}

}  // namespace

ReverbBuffers* ReverbBuffersCreate() {
  ReverbBuffers* buffers = crt::AlignedNew<ReverbBuffers>();
  for (int i = 0; i < kReverbBuffers; ++i)
    buffers->buffers[i] = crt::AlignedNewArray<float>(LineLength(i) + 3);
  return buffers;
}

void ReverbBuffersDestroy(ReverbBuffers* buffers) {
  if (!buffers) return;
  for (int i = 0; i < kReverbBuffers; ++i)
    crt::AlignedDeleteArray(buffers->buffers[i], LineLength(i) + 3);
  crt::AlignedDelete(buffers);
}

void ReverbStateInit(ReverbState* state, Patch* patch) {
  *state = ReverbState{};
  state->patch = patch;
  state->allpassFeedback = 0.5f;
}

void ReverbUpdate(ReverbBuffers* buffers, ReverbState* state) {
  const Patch* patch = state->patch;
  const float width = PatchGet(patch, kParamWidth);
  state->damp1 = PatchGet(patch, kParamDamping) * 0.4f;
  const float wet = PatchGet(patch, kParamWet) * 3.0f;
  state->dry = PatchGet(patch, kParamDry) * 2.0f;
  state->feedback = PatchGet(patch, kParamRoom) * 0.28f + 0.7f;
  for (int side = 0; side < 2; ++side) {
    for (int c = 0; c < kReverbCombs; ++c) {
      state->combs[side][c].buffer = buffers->buffers[2 * c + side];
      state->combs[side][c].length = LineLength(2 * c + side);
    }
    for (int a = 0; a < kReverbAllpasses; ++a) {
      const int line = 2 * (kReverbCombs + a) + side;
      state->allpasses[side][a].buffer = buffers->buffers[line];
      state->allpasses[side][a].length = LineLength(line);
    }
  }
  state->gain = 0.015f;
  state->damp2 = 1.0f - state->damp1;
  state->wet1 = (width + 1.0f) * 0.5f * wet;
  state->wet2 = (1.0f - width) * 0.5f * wet;
}

float ReverbCombTick(ReverbComb* comb, const ReverbState* state, float in) {
  const float out = FlushDenormal(comb->buffer[comb->index]);
  comb->store = FlushDenormal(out * state->damp2 + comb->store * state->damp1);
  comb->buffer[comb->index] = comb->store * state->feedback + in;
  if (++comb->index >= comb->length) comb->index = 0;
  return out;
}

void ReverbAllpassTick(ReverbAllpass* allpass, float* sample, const ReverbState* state) {
  const float b = FlushDenormal(allpass->buffer[allpass->index]);
  allpass->buffer[allpass->index] = *sample + b * state->allpassFeedback;
  if (++allpass->index >= allpass->length) allpass->index = 0;
  *sample = b - *sample;
}

void ReverbRun(ReverbState* state, StereoPair block) {
  for (int i = 0; i < kBlockFrames; ++i) {
    const float in = (block.left[i] + block.right[i]) * state->gain;
    float out[2] = {0.0f, 0.0f};
    for (int side = 0; side < 2; ++side) {
      for (ReverbComb& comb : state->combs[side]) out[side] += ReverbCombTick(&comb, state, in);
      for (ReverbAllpass& allpass : state->allpasses[side])
        ReverbAllpassTick(&allpass, &out[side], state);
    }
    const float left = block.left[i], right = block.right[i];
    block.left[i] = out[0] * state->wet1 + out[1] * state->wet2 + left * state->dry;
    block.right[i] = out[1] * state->wet1 + out[0] * state->wet2 + right * state->dry;
  }
}
