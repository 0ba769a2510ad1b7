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

// Runs a sine of amplitude 0.5 through the section and returns the settled output amplitude.
double MeasuredGain(Biquad q, double f) {
  const int blocks = 96, settle = 32;
  std::vector<float> tail;
  for (int b = 0; b < blocks; ++b) {
    float l[kBlockFrames], r[kBlockFrames];
    for (int i = 0; i < kBlockFrames; ++i) {
      l[i] = r[i] =
          static_cast<float>(0.5 * std::sin(2.0 * kPi * f * (b * kBlockFrames + i) / kSampleRate));
    }
    StereoPair block{l, r};
    BiquadRun(block, block, &q, 0.0f);
    if (b >= settle) tail.insert(tail.end(), l, l + kBlockFrames);
  }
  return audiotest::ToneAmplitude(tail, f, kSampleRate) / 0.5;
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
  Set(177, std::sqrt(1000.0f));  // low-pass at 1 kHz
  Set(178, 0.7f);
  Set(184, std::sqrt(500.0f));  // high-pass at 500 Hz
  Set(185, 0.3f);
  Set(191, std::sqrt(2000.0f));  // band-pass at 2 kHz, +6 dB
  Set(192, 6.0f);
  Set(193, 0.5f);
  Set(197, std::sqrt(3100.0f));  // notch at 3.1 kHz
  Set(198, 0.6f);
  const double freqs[10] = {100, 300, 700, 1000, 1500, 2200, 3000, 4500, 7000, 12000};
  for (int filter = 0; filter < 4; ++filter) {
    const Biquad q = Design(filter);
    for (double f : freqs) {
      const double expected = Magnitude(q, f), measured = MeasuredGain(q, f);
      if (expected > 1e-3) {
        EXPECT_NEAR(20.0 * std::log10(measured), 20.0 * std::log10(expected), 0.1)
            << "filter " << filter << " at " << f << " Hz";
      } else {
        EXPECT_NEAR(measured, expected, 1e-4) << "filter " << filter << " at " << f << " Hz";
      }
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
  // Envelope and LFO modulate the cutoff: f x env, then x (lfo + 1) / 2.
  Set(177, 40.0f);
  Set(180, 1.0f);
  Set(179, 2.0f);
  voice_.gen->envValue[0] = 0.5f;
  voice_.gen->lfoValue[1] = 0.5f;
  EXPECT_FLOAT_EQ(Design(0).cutoff, 1600.0f * 0.5f * 0.75f);
}

TEST_F(BiquadTest, OutputFallsToExactZerosAfterTheInputStops) {
  Set(177, 15.0f);
  Set(178, 0.9f);  // a ringing low-pass at 225 Hz
  Biquad q = Design(0);
  int lastNonZero = -1;
  const int blocks = 800;
  for (int b = 0; b < blocks; ++b) {
    float l[kBlockFrames] = {}, r[kBlockFrames] = {};
    if (b == 0) {
      for (int i = 0; i < kBlockFrames; ++i) l[i] = r[i] = (i % 7) * 0.3f - 0.9f;
    }
    StereoPair block{l, r};
    BiquadRun(block, block, &q, 0.0f);
    for (int i = 0; i < kBlockFrames; ++i) {
      // Never a denormal: either exactly zero or a normal float.
      ASSERT_TRUE(l[i] == 0.0f || std::fabs(l[i]) >= FLT_MIN) << b << " " << i;
      if (l[i] != 0.0f) lastNonZero = b;
    }
  }
  EXPECT_LT(lastNonZero, blocks - 1);
  EXPECT_GT(lastNonZero, 0);
  EXPECT_EQ(q.leftY1, 0.0f);
  EXPECT_EQ(q.leftY2, 0.0f);
}

}  // namespace
