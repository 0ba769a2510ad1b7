#include "music/audio_clock.h"

#include <atomic>

namespace {
std::atomic<uint32_t> g_frames{0};
}

uint32_t AudioClockGetFrames() { return g_frames.load(std::memory_order_relaxed); }

int32_t AudioClockGetMs() {
  return static_cast<int32_t>(static_cast<int64_t>(AudioClockGetFrames()) * 10 / 441);
}

void AudioClockReset() { g_frames.store(0, std::memory_order_relaxed); }

void AudioClockAdvance(uint32_t frames) { g_frames.fetch_add(frames, std::memory_order_relaxed); }
