#include "audio_measure.h"

#include <cmath>
#include <complex>
#include <utility>

namespace audiotest {

namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<double> HannWindowed(const std::vector<float>& x) {
  const size_t n = x.size();
  std::vector<double> w(n);
  for (size_t i = 0; i < n; ++i) {
    w[i] = x[i] * (0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / (n - 1)));
  }
  return w;
}

// Magnitude of the windowed signal's transform at frequency f.
double MagnitudeAt(const std::vector<double>& w, double f, double rate) {
  std::complex<double> sum = 0.0;
  const std::complex<double> step = std::polar(1.0, -2.0 * kPi * f / rate);
  std::complex<double> rot = 1.0;
  for (size_t i = 0; i < w.size(); ++i) {
    sum += w[i] * rot;
    rot *= step;
    if ((i & 1023) == 1023) rot /= std::abs(rot);
  }
  return std::abs(sum);
}

}  // namespace

void ReferenceFft(std::vector<double>& re, std::vector<double>& im) {
  const size_t n = re.size();
  for (size_t i = 1, j = 0; i < n; ++i) {
    size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  for (size_t len = 2; len <= n; len <<= 1) {
    const double angle = -2.0 * kPi / static_cast<double>(len);
    for (size_t i = 0; i < n; i += len) {
      for (size_t k = 0; k < len / 2; ++k) {
        const double c = std::cos(angle * k), s = std::sin(angle * k);
        const size_t a = i + k, b = i + k + len / 2;
        const double tr = re[b] * c - im[b] * s, ti = re[b] * s + im[b] * c;
        re[b] = re[a] - tr;
        im[b] = im[a] - ti;
        re[a] += tr;
        im[a] += ti;
      }
    }
  }
}

double PeakFrequency(const std::vector<float>& x, double rate, double fmin, double fmax) {
  const std::vector<double> w = HannWindowed(x);
  size_t n = 1;
  while (n < w.size()) n <<= 1;
  std::vector<double> re(n, 0.0), im(n, 0.0);
  for (size_t i = 0; i < w.size(); ++i) re[i] = w[i];
  ReferenceFft(re, im);
  const double binHz = rate / static_cast<double>(n);
  size_t best = 0;
  double bestPower = -1.0;
  for (size_t k = 1; k < n / 2; ++k) {
    const double f = k * binHz;
    if (f < fmin || f > fmax) continue;
    const double power = re[k] * re[k] + im[k] * im[k];
    if (power > bestPower) {
      bestPower = power;
      best = k;
    }
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
  const double periods = std::floor(x.size() * f / rate);
  const size_t n = static_cast<size_t>(periods * rate / f);
  double s = 0.0, c = 0.0;
  for (size_t i = 0; i < n; ++i) {
    const double phase = 2.0 * kPi * f * static_cast<double>(i) / rate;
    s += x[i] * std::sin(phase);
    c += x[i] * std::cos(phase);
  }
  return 2.0 * std::sqrt(s * s + c * c) / static_cast<double>(n);
}

std::vector<double> PowerSpectrum(const std::vector<float>& x, int segment) {
  std::vector<double> power(segment / 2 + 1, 0.0);
  int count = 0;
  for (size_t start = 0; start + segment <= x.size(); start += segment / 2, ++count) {
    std::vector<double> re(segment), im(segment, 0.0);
    for (int i = 0; i < segment; ++i) {
      re[i] = x[start + i] * (0.5 - 0.5 * std::cos(2.0 * kPi * i / segment));
    }
    ReferenceFft(re, im);
    for (int k = 0; k <= segment / 2; ++k) power[k] += re[k] * re[k] + im[k] * im[k];
  }
  for (double& p : power) p /= count > 0 ? count : 1;
  return power;
}

}  // namespace audiotest
