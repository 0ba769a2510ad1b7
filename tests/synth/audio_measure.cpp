#include "audio_measure.h"

#include <cmath>
#include <complex>

#include "synth/fft.h"

namespace audiotest {

namespace {

constexpr double kPi = 3.14159265358979323846;

// x[from .. from + count) under a Hann window of `count` samples.
std::vector<double> Windowed(const std::vector<float>& x, size_t from, size_t count) {
  std::vector<double> w(count);
  for (size_t i = 0; i < count; ++i) {
    w[i] = x[from + i] * (0.5 - 0.5 * std::cos(2.0 * kPi * double(i) / double(count - 1)));
  }
  return w;
}

// Power of bins 0..n/2 of w zero-padded to n (a power of two).
std::vector<double> BinPower(const std::vector<double>& w, size_t n) {
  std::vector<float> data(2 * n, 0.0f);
  for (size_t i = 0; i < w.size(); ++i) data[2 * i] = static_cast<float>(w[i]);
  ComplexFft(data.data(), static_cast<int>(n));
  std::vector<double> power(n / 2 + 1);
  for (size_t k = 0; k <= n / 2; ++k)
    power[k] = std::norm(std::complex<double>(data[2 * k], data[2 * k + 1]));
  return power;
}

// Magnitude of the windowed signal's transform at frequency f.
double MagnitudeAt(const std::vector<double>& w, double f, double rate) {
  std::complex<double> sum = 0.0, rot = 1.0;
  const std::complex<double> step = std::polar(1.0, -2.0 * kPi * f / rate);
  for (size_t i = 0; i < w.size(); ++i) {
    sum += w[i] * rot;
    rot *= step;
    if ((i & 1023) == 1023) rot /= std::abs(rot);
  }
  return std::abs(sum);
}

}  // namespace

double PeakFrequency(const std::vector<float>& x, double rate, double fmin, double fmax) {
  const std::vector<double> w = Windowed(x, 0, x.size());
  size_t n = 1;
  while (n < w.size()) n <<= 1;
  const std::vector<double> power = BinPower(w, n);
  const double binHz = rate / static_cast<double>(n);
  size_t best = 0;
  for (size_t k = 1; k < n / 2; ++k) {
    const bool inRange = k * binHz >= fmin && k * binHz <= fmax;
    if (inRange && (best == 0 || power[k] > power[best])) best = k;
  }
  // Golden-section search of the transform's magnitude within one bin of the peak.
  double lo = (best - 1.0) * binHz, hi = (best + 1.0) * binHz;
  const double g = 0.5 * (std::sqrt(5.0) - 1.0);
  while (hi - lo > 0.005) {
    const double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
    if (MagnitudeAt(w, a, rate) > MagnitudeAt(w, b, rate)) {
      hi = b;
    } else {
      lo = a;
    }
  }
  return 0.5 * (lo + hi);
}

double Rms(const std::vector<float>& x) {
  double sum = 0.0;
  for (float v : x) sum += static_cast<double>(v) * v;
  return x.empty() ? 0.0 : std::sqrt(sum / x.size());
}

double PeakAbs(const std::vector<float>& x) {
  double m = 0.0;
  for (float v : x) m = std::isfinite(v) ? std::fmax(m, std::fabs(double(v))) : INFINITY;
  return m;
}

double ToneAmplitude(const std::vector<float>& x, double f, double rate) {
  const size_t n = static_cast<size_t>(std::floor(x.size() * f / rate) * rate / f);
  std::complex<double> sum = 0.0;
  for (size_t i = 0; i < n; ++i)
    sum += double(x[i]) * std::polar(1.0, 2.0 * kPi * f * double(i) / rate);
  return 2.0 * std::abs(sum) / static_cast<double>(n);
}

std::vector<double> PowerSpectrum(const std::vector<float>& x, int segment) {
  std::vector<double> power(segment / 2 + 1, 0.0);
  int count = 0;
  for (size_t start = 0; start + segment <= x.size(); start += segment / 2, ++count) {
    const std::vector<double> p = BinPower(Windowed(x, start, segment), segment);
    for (int k = 0; k <= segment / 2; ++k) power[k] += p[k];
  }
  for (double& p : power) p /= count > 0 ? count : 1;
  return power;
}

}  // namespace audiotest
