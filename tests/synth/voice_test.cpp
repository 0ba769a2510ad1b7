#include <cfloat>
#include <complex>

#include "synth/pad_table.h"
#include "synth_fixture.h"

namespace {

// The pitch and level of a sounding voice (octave, semitone and fine steps, master gain,
// unison detune and spread), its fade-in over the first block and its end after the gate
// closes are held by the song's reference checksums.

// A state for a steady render of oscillator 0 at `frequency` Hz: amplitude 1 from the start.
OscVoiceState Steady(float frequency) {
  OscVoiceState st{};
  st.amplitude = st.rampStart = 1.0f, st.frequency = frequency, st.shape = kPi;
  return st;
}

// Waveform off writes nothing and reports silence; a zero frequency and a PAD waveform without
// a table leave the block as it was in every mode.
TEST_F(PatchTest, SilentOscillatorCasesLeaveTheBlockAlone) {
  // Waveform, mode, frequency, block fill, whether it reports sound.
  const float rows[][5] = {{0, 0, 440, 0.25f, 0}, {0, 1, 440, 0.25f, 0}, {2, 0, 0, 0.25f, 1},
                           {6, 0, 440, 0, 1},     {6, 1, 440, 0, 1},     {6, 2, 440, 0, 1}};
  for (const auto& row : rows) {
    Set(OscParam(0, kOscWaveform), row[0]);
    Set(OscParam(0, kOscMode), row[1]);
    OscVoiceState st = Steady(row[2]);
    std::vector<float> out(kBlockFrames, row[3]);
    EXPECT_EQ(OscillatorRender(patch_.oscillators[0], &st, out.data(), kSampleRate), row[4] != 0)
        << row[0] << " " << row[1];
    EXPECT_EQ(out, std::vector<float>(kBlockFrames, row[3])) << row[0] << " " << row[1];
  }
}

// Multiply mode at high notes runs hundreds of cycle pieces per block (the squared gain would
// overflow to infinity, and infinity x 0 give NaN); phase modulation at full depth (3, used
// squared) steps the phase from -8 to +10 increments, also backwards. Every table read must
// stay inside its table and every sample finite within -1..1.
TEST_F(PatchTest, ExtremeOscillatorModulationStaysFiniteAndInsideTheTables) {
  Oscillator* osc = patch_.oscillators[0];
  OscillatorUpdatePadTable(osc, 0.1f, 0.5f, 0.2f);
  Set(OscParam(0, kOscGain), 10);
  // Mode, depth, frequency, blocks; multiply mode's input is -0.5, 0, 0.5, modulation's +-1.
  for (auto [mode, depth, frequency, blocks] :
       {std::tuple{1, 0.0f, 15000.0f, 1}, {2, 3, 5000, 8}}) {
    Set(OscParam(0, kOscMode), float(mode));
    Set(OscParam(0, kOscModDepth), depth);
    for (int waveform = 1; waveform <= 13; ++waveform) {
      Set(OscParam(0, kOscWaveform), float(waveform));
      OscVoiceState st = Steady(frequency);
      for (int b = 0; b < blocks; ++b) {
        std::vector<float> out(kBlockFrames);
        for (int i = 0; i < kBlockFrames; ++i)
          out[i] = mode == 2 ? (i & 1 ? 1.0f : -1.0f) : (i % 3) * 0.5f - 0.5f;
        OscillatorRender(osc, &st, out.data(), kSampleRate);
        ASSERT_LE(PeakAbs(out), 1.0) << mode << " " << waveform;
        ASSERT_TRUE(st.phase >= 0.0f && st.phase <= kTwoPi) << waveform << " " << st.phase;
      }
    }
  }
}

TEST_F(PatchTest, OscillatorTableReadsThatRoundToTheEndReadEntryZero) {
  const WavetableBank* bank = WavetableBankGet();
  const float justBelow = std::nextafter(kTwoPi, 0.0f);
  EXPECT_EQ(OscillatorWaveValue(OscWave{kWaveSine, 0, bank->sine}, justBelow), bank->sine[0]);
  std::vector<float> pad(kPadTableSize);
  for (int i = 0; i < kPadTableSize; ++i) pad[i] = static_cast<float>(i) / kPadTableSize;
  EXPECT_EQ(OscillatorWaveValue(OscWave{kWavePad, 0, pad.data()}, justBelow), 0.0f);
  EXPECT_EQ(OscillatorWaveValue(OscWave{kWavePulse, kPi, nullptr}, kPi), -1.0f);
  EXPECT_EQ(OscillatorWaveValue(OscWave{kWaveTriangle, 0, nullptr}, kPi * 0.5f), 1.0f);
  EXPECT_EQ(OscillatorWaveValue(OscWave{kWaveTriangle, 0, nullptr}, kPi * 1.5f), -1.0f);
}

// Add mode over a block holding b = 0.25 at gain 0.5: waveforms up to 5 scale b too, from the
// PAD waveform (6) on only the new wave does.
TEST_F(PatchTest, AddModeScalesWhatIsThereOnlyBelowThePadWaveform) {
  std::vector<float> pad(kPadTableSize);
  for (int i = 0; i < kPadTableSize; ++i) pad[i] = float(i % 7) / 7 - 0.4f;
  const WavetableBank* bank = WavetableBankGet();
  for (const OscWave wave : {OscWave{kWaveTriangle, 0, nullptr}, OscWave{kWavePad, 0, pad.data()},
                             OscWave{kWaveBankFirst, 0, bank->tables[64]}}) {
    std::vector<float> out(60, 0.25f);
    OscillatorRamp ramp{1.0f, 0.0f};
    OscillatorRenderCycle(wave, 0.0f, 0.1f, 60, out.data(), false, 0.5f, &ramp);
    float p = 0.0f;
    for (int i = 0; i < 60; ++i, p += 0.1f) {
      const float w = OscillatorWaveValue(wave, p);
      ASSERT_FLOAT_EQ(out[i], wave.waveform < kWavePad ? (w + 0.25f) * 0.5f : w * 0.5f + 0.25f)
          << wave.waveform << " " << i;
    }
  }
}

// |H(e^jw)| of the stored (a0-normalised) coefficients at f Hz.
double Magnitude(const Biquad& q, double f) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * f / kSampleRate), z2 = z1 * z1;
  const double b0 = q.b0, b1 = q.b1, b2 = q.b2, a1 = q.a1, a2 = q.a2;
  return std::abs((b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2));
}

// Runs the section over x on both sides, in blocks, in place.
void RunSection(Biquad* q, std::vector<float>& x) {
  std::vector<float> right = x;
  for (size_t at = 0; at < x.size(); at += kBlockFrames)
    BiquadRun({&x[at], &right[at]}, {&x[at], &right[at]}, q, 0.0f);
}

// Runs a sine of amplitude 0.5 through the section and returns the settled output amplitude.
double MeasuredGain(Biquad q, double f) {
  std::vector<float> x(96 * kBlockFrames);
  for (size_t i = 0; i < x.size(); ++i) x[i] = float(0.5 * std::sin(2 * kPi * f * i / kSampleRate));
  RunSection(&q, x);
  const std::vector<float> settled(x.begin() + 32 * kBlockFrames, x.end());
  return ToneAmplitude(settled, f, kSampleRate) / 0.5;
}

TEST_F(VoiceTest, BiquadsRunAsDesignedAndFallToExactZeros) {
  StartNote(60);
  auto design = [&](int filter) {
    Biquad q{};
    BiquadDesign(patch_.filters[filter], &q, &voice_, kSampleRate);
    return q;
  };
  // Cutoffs are set as square roots: low-pass 1 kHz, high-pass 500 Hz, band-pass 2 kHz at
  // +6 dB, notch 3.1 kHz.
  const std::pair<int, float> params[] = {
      {177, 31.6227766f}, {178, 0.7f}, {184, 22.3606798f}, {185, 0.3f}, {191, 44.7213595f},
      {192, 6.0f},        {193, 0.5f}, {197, 55.6776436f}, {198, 0.6f}};
  for (auto [index, value] : params) Set(index, value);
  for (int filter = 0; filter < 4; ++filter) {
    const Biquad q = design(filter);
    for (double f : {100, 300, 700, 1000, 1500, 2200, 3000, 4500, 7000, 12000}) {
      // Within 0.1 dB, or 1e-4 absolute deep in a stop band.
      const double expected = Magnitude(q, f);
      EXPECT_NEAR(MeasuredGain(q, f), expected, std::fmax(1e-4, expected * 0.0116))
          << "filter " << filter << " at " << f << " Hz";
    }
  }
  // The responses have the shape of their kind.
  EXPECT_NEAR(Magnitude(design(0), 100), 1.0, 0.02);
  EXPECT_LT(Magnitude(design(0), 12000), 0.05);
  EXPECT_LT(Magnitude(design(1), 100), 0.1);
  EXPECT_NEAR(Magnitude(design(1), 12000), 1.0, 0.02);
  EXPECT_GT(Magnitude(design(2), 2000), Magnitude(design(2), 300));
  EXPECT_LT(Magnitude(design(3), 3100), 0.01);
  // At the cutoff the bandwidth form gives sin w0 / 2 alpha = 1 / 2 sinh(ln 2 / 2 q w0 / sin w0).
  for (auto [filter, hz, q] : {std::tuple{0, 1000.0, 0.3}, {1, 500.0, 0.7}}) {
    const double w0 = 2 * kPi * hz / kSampleRate;
    const double want = 0.5 / std::sinh(std::log(2.0) / 2 * q * w0 / std::sin(w0));
    EXPECT_NEAR(Magnitude(design(filter), hz), want, want * 1e-3) << filter;
  }
  Set(177, 4.0f);  // 16 Hz, raised to 20
  Set(178, 1.0f);  // resonance held at 0.95
  EXPECT_EQ(design(0).cutoff, 20.0f);
  EXPECT_FLOAT_EQ(design(0).q, 1.0f - 0.95f);
  // A ringing low-pass at 225 Hz after a block of input: never a denormal, exactly zero in time.
  Set(177, 15.0f);
  Set(178, 0.9f);
  Biquad q = design(0);
  std::vector<float> x(800 * kBlockFrames, 0.0f);
  for (int i = 0; i < kBlockFrames; ++i) x[i] = (i % 7) * 0.3f - 0.9f;
  RunSection(&q, x);
  size_t last = 0;
  for (size_t i = 0; i < x.size(); ++i) {
    ASSERT_TRUE(x[i] == 0.0f || std::fabs(x[i]) >= FLT_MIN) << i;
    if (x[i] != 0.0f) last = i;
  }
  EXPECT_GT(last, size_t(kBlockFrames));
  EXPECT_LT(last, x.size() - kBlockFrames);
  EXPECT_TRUE(q.leftY1 == 0.0f && q.leftY2 == 0.0f);
}

}  // namespace
