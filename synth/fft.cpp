#include "synth/fft.h"

#include <cmath>
#include <utility>

namespace {

void BitReversePermute(float* data, int n) {
  int bits = 0;
  while ((1 << bits) < n) ++bits;
  for (int i = 1; i < n - 1; ++i) {
    int r = 0;
    for (int b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
    if (i < r) {
      std::swap(data[2 * i], data[2 * r]);
      std::swap(data[2 * i + 1], data[2 * r + 1]);
    }
  }
}

}  // namespace

void ComplexFft(float* data, int n) {
  BitReversePermute(data, n);
  for (int m = 1; m < n; m *= 2) {
    const float theta = 3.14159274f / static_cast<float>(m);
    const float stepRe = std::cos(theta), stepIm = std::sin(theta);
    float wRe = 1.0f, wIm = 0.0f;
    for (int j = 0; j < m; ++j) {
      for (int i = j; i < n; i += 2 * m) {
        float* a = data + 2 * i;
        float* b = data + 2 * (i + m);
        const float tRe = wRe * b[0] - wIm * b[1];
        const float tIm = wRe * b[1] + wIm * b[0];
        b[0] = a[0] - tRe;
        b[1] = a[1] - tIm;
        a[0] += tRe;
        a[1] += tIm;
      }
      const float nextRe = wRe * stepRe - wIm * stepIm;
      wIm = wRe * stepIm + wIm * stepRe;
      wRe = nextRe;
    }
  }
}
