#include "synth/delay.h"

#include "platform/crt.h"
#include "synth/patch.h"

namespace {

constexpr int kParamLeftMs = 221;
constexpr int kParamFeedback = 223;
constexpr float kMaxMs = 4000.0f;

}  // namespace

void StereoDelayConfigure(DelaySettings* settings, StereoDelay* delay, int32_t rate) {
  for (int c = 0; c < 2; ++c) {
    Param* length = PatchParam(settings->patch, kParamLeftMs + c);
    if (ParamGet(length) > kMaxMs) ParamSet(length, kMaxMs);
  }
  settings->rate = rate;
  const uint32_t capacity = static_cast<uint32_t>(rate) * 4;
  if (capacity == delay->capacity) return;
  for (int c = 0; c < 2; ++c) {
    delay->write[c] = 0;
    delay->read[c] = 1;
  }
  if (delay->capacity >= capacity) return;
  for (int c = 0; c < 2; ++c) {
    crt::AlignedDeleteArray(delay->buffer[c], delay->capacity);
    delay->buffer[c] = crt::AlignedNewArray<float>(capacity);
  }
  delay->capacity = capacity;
}

void StereoDelayRun(DelaySettings* settings, StereoPair out, StereoDelay* delay, StereoPair in) {
  const float fb = PatchGet(settings->patch, kParamFeedback);
  for (int c = 0; c < 2; ++c) {
    const uint32_t ms = static_cast<uint32_t>(PatchGetInt(settings->patch, kParamLeftMs + c));
    // Never longer than the line (the parameter range ends well below it).
    uint32_t len = ms * static_cast<uint32_t>(settings->rate) / 1000;
    if (len > delay->capacity) len = delay->capacity;
    float* line = delay->buffer[c];
    const float* x = c == 0 ? in.left : in.right;
    float* y = c == 0 ? out.left : out.right;
    uint32_t w = delay->write[c], r = delay->read[c];
    for (int i = 0; i < kBlockFrames; ++i) {
      line[w] = FlushDenormal((line[w] + x[i]) * fb);
      const float delayed = line[r];
      if (++w >= len) w = 0;
      if (++r >= len) r = 0;
      y[i] = x[i] + delayed;
    }
    delay->write[c] = w;
    delay->read[c] = r;
  }
}

void StereoDelayDestroy(StereoDelay* delay) {
  if (!delay) return;
  for (float* line : delay->buffer) crt::AlignedDeleteArray(line, delay->capacity);
  crt::AlignedDelete(delay);
}
