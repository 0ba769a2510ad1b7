#pragma once
// The synthesizer's block: 256 stereo frames of 32-bit float samples at 44,100 Hz, rendered on
// the sequencer thread in single precision.

#include <cstdint>
#include <cstring>

constexpr int kBlockFrames = 256;
constexpr int kSampleRate = 44100;

// 2 pi and pi as the single-precision floats every phase computation uses.
constexpr float kTwoPi = 6.2831855f;
constexpr float kPi = 3.14159274f;

// A pair of sample arrays {left, right}; who fills it says how many frames it holds.
struct StereoPair {
  float* left;
  float* right;
};

// Replaces a float whose exponent bits (mask 0x7F800000) are all zero, that is zero or a
// denormal, by +0.0. Feedback paths store through this so silence decays to exact zeros.
inline float FlushDenormal(float x) {
  uint32_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  return (bits & 0x7F800000u) == 0 ? 0.0f : x;
}
