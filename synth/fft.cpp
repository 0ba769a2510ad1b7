#include "synth/fft.h"

#include <cmath>
#include <utility>

#include "platform/crt.h"

namespace {

// Swaps complex values i and r for every i < r, r being i with its log2(n) bits reversed.
// The reversed index is carried along as a counter that adds 1 from the top bit down.
void BitReversePermute(float* data, int n) {
  int r = 0;
  for (int i = 1; i < n - 1; ++i) {
    int bit = n >> 1;
    for (; r & bit; bit >>= 1) r ^= bit;
    r |= bit;
    if (i < r) {
      std::swap(data[2 * i], data[2 * r]);
      std::swap(data[2 * i + 1], data[2 * r + 1]);
    }
  }
}

// The stage's twiddles w_j = (cos pi/m, sin pi/m)^j for j < m, as the product recurrence
// from (1, 0) forms them.
void StageTwiddles(float* twiddles, int m) {
  const float theta = 3.14159274f / static_cast<float>(m);
  const float stepRe = std::cos(theta), stepIm = std::sin(theta);
  float wRe = 1.0f, wIm = 0.0f;
  for (int j = 0; j < m; ++j) {
    twiddles[2 * j] = wRe;
    twiddles[2 * j + 1] = wIm;
    const float nextRe = wRe * stepRe - wIm * stepIm;
    wIm = wRe * stepIm + wIm * stepRe;
    wRe = nextRe;
  }
}

}  // namespace

void ComplexFft(float* data, int n) {
  BitReversePermute(data, n);
  float* twiddles = crt::AlignedNewArray<float>(n);  // n / 2 complex values at most
  for (int m = 1; m < n; m *= 2) {
    StageTwiddles(twiddles, m);
    // Every butterfly of a stage touches its own pair, so blocks can run in memory order.
    for (int start = 0; start < n; start += 2 * m) {
      float* a = data + 2 * start;
      float* b = a + 2 * m;
      for (int j = 0; j < m; ++j, a += 2, b += 2) {
        const float wRe = twiddles[2 * j], wIm = twiddles[2 * j + 1];
        const float tRe = wRe * b[0] - wIm * b[1];
        const float tIm = wRe * b[1] + wIm * b[0];
        b[0] = a[0] - tRe;
        b[1] = a[1] - tIm;
        a[0] += tRe;
        a[1] += tIm;
      }
    }
  }
  crt::AlignedDeleteArray(twiddles, n);
}
