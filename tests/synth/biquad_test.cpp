#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <complex>
#include <vector>

#include "audio_measure.h"
#include "synth/biquad.h"
#include "synth/block.h"
#include "synth/voice_gen.h"
#include "synth_fixture.h"

namespace {

using synthtest::VoiceTest;

constexpr double kPi = 3.14159265358979323846;

// |H(e^jw)| of the stored (a0-normalised) coefficients at f Hz.
double Magnitude(const Biquad& q, double f) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / kSampleRate);
  const std::complex<double> z2 = z1 * z1;
  const double b0 = q.b0, b1 = q.b1, b2 = q.b2, a1 = q.a1, a2 = q.a2;
  return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}

// Runs the section over x on both sides, in blocks, in place.
void RunSection(Biquad* q, std::vector<float>& x) {
  std::vector<float> right = x;
  for (size_t at = 0; at < x.size(); at += kBlockFrames) {
    BiquadRun({&x[at], &right[at]}, {&x[at], &right[at]}, q, 0.0f);
  }
}

// Runs a sine of amplitude 0.5 through the section and returns the settled output amplitude.
double MeasuredGain(Biquad q, double f) {
  std::vector<float> x(96 * kBlockFrames);
  for (size_t i = 0; i < x.size(); ++i) x[i] = float(0.5 * std::sin(2 * kPi * f * i / kSampleRate));
  RunSection(&q, x);
  const std::vector<float> settled(x.begin() + 32 * kBlockFrames, x.end());
  return audiotest::ToneAmplitude(settled, f, kSampleRate) / 0.5;
}

class BiquadTest : public VoiceTest {
 protected:
  void SetUp() override {
    VoiceTest::SetUp();
    StartNote(60);
  }
  Biquad Design(int filter) {
    Biquad q{};
    BiquadDesign(patch_.filters[filter], &q, &voice_, kSampleRate);
    return q;
  }
};

TEST_F(BiquadTest, MeasuredGainMatchesTheDesignedResponseForEveryKind) {
  // Cutoffs are set as square roots: low-pass 1 kHz, high-pass 500 Hz, band-pass 2 kHz at
  // +6 dB, notch 3.1 kHz.
  const std::pair<int, float> params[] = {
      {177, 31.6227766f}, {178, 0.7f}, {184, 22.3606798f}, {185, 0.3f}, {191, 44.7213595f},
      {192, 6.0f},        {193, 0.5f}, {197, 55.6776436f}, {198, 0.6f}};
  for (auto [index, value] : params) Set(index, value);
  const double freqs[10] = {100, 300, 700, 1000, 1500, 2200, 3000, 4500, 7000, 12000};
  for (int filter = 0; filter < 4; ++filter) {
    const Biquad q = Design(filter);
    for (double f : freqs) {
      // Within 0.1 dB, or 1e-4 absolute deep in a stop band.
      const double expected = Magnitude(q, f);
      EXPECT_NEAR(MeasuredGain(q, f), expected, std::fmax(1e-4, expected * 0.0116))
          << "filter " << filter << " at " << f << " Hz";
    }
  }
  // The responses have the shape of their kind.
  EXPECT_NEAR(Magnitude(Design(0), 100), 1.0, 0.02);
  EXPECT_LT(Magnitude(Design(0), 12000), 0.05);
  EXPECT_LT(Magnitude(Design(1), 100), 0.1);
  EXPECT_NEAR(Magnitude(Design(1), 12000), 1.0, 0.02);
  EXPECT_GT(Magnitude(Design(2), 2000), Magnitude(Design(2), 300));
  EXPECT_LT(Magnitude(Design(3), 3100), 0.01);
}

TEST_F(BiquadTest, DesignLimitsCutoffAndResonance) {
  Set(177, 4.0f);  // 16 Hz, raised to 20
  Set(178, 1.0f);
  const Biquad q = Design(0);
  EXPECT_EQ(q.cutoff, 20.0f);
  EXPECT_FLOAT_EQ(q.q, 1.0f - 0.95f);
  Set(198, 0.0f);  // the notch's resonance range reaches 0: clamped to 0.05
  EXPECT_FLOAT_EQ(Design(3).q, 1.0f - 0.05f);
}

TEST_F(BiquadTest, OutputFallsToExactZerosAfterTheInputStops) {
  Set(177, 15.0f);
  Set(178, 0.9f);  // a ringing low-pass at 225 Hz
  Biquad q = Design(0);
  std::vector<float> x(800 * kBlockFrames, 0.0f);
  for (int i = 0; i < kBlockFrames; ++i) x[i] = (i % 7) * 0.3f - 0.9f;
  RunSection(&q, x);
  size_t last = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    // Never a denormal: either exactly zero or a normal float.
    ASSERT_TRUE(x[i] == 0.0f || std::fabs(x[i]) >= FLT_MIN) << i;
    if (x[i] != 0.0f) last = i;
  }
  EXPECT_GT(last, size_t(kBlockFrames));
  EXPECT_LT(last, x.size() - kBlockFrames);
  EXPECT_EQ(q.leftY1, 0.0f);
  EXPECT_EQ(q.leftY2, 0.0f);
}

}  // namespace
