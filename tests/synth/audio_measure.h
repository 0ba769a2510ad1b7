#pragma once
// Measurements of rendered audio for the synthesizer tests, in double precision: pitch by FFT,
// levels, tone gain, spectra. Transforms use the synthesizer's FFT, which this suite checks
// against a direct transform.

#include <vector>

namespace audiotest {

// Frequency in Hz of the strongest spectral peak between fmin and fmax: Hann window, FFT
// zero-padded to a power of two, then the peak refined on the windowed transform to 0.01 Hz.
double PeakFrequency(const std::vector<float>& x, double rate, double fmin, double fmax);
// Root mean square, and the largest magnitude (infinity when a sample is not finite).
double Rms(const std::vector<float>& x);
double PeakAbs(const std::vector<float>& x);
// Amplitude of the sinusoid of frequency f (Hz) in x, by correlation with sin and cos over a
// whole number of its periods.
double ToneAmplitude(const std::vector<float>& x, double f, double rate);
// Welch power spectral density: Hann-windowed segments of `segment` samples (a power of two),
// half overlapping; entry k is the mean power at k x rate / segment Hz.
std::vector<double> PowerSpectrum(const std::vector<float>& x, int segment);

}  // namespace audiotest
