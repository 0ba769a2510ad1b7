#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio_measure.h"
#include "synth/block.h"
#include "synth/oscillator.h"
#include "synth/pad_table.h"
#include "synth/patch.h"
#include "synth/wavetable.h"
#include "synth_fixture.h"

namespace {

using synthtest::OscParam;

class OscillatorTest : public synthtest::PatchTest {
 protected:
  void SetUp() override {
    PatchTest::SetUp();
    osc_ = patch_.oscillators[0];
    Set(kOscWaveform, 1);
    Set(kOscGain, 1);
  }
  void Set(int offset, float plain) { PatchTest::Set(OscParam(0, offset), plain); }
  // A state for a steady render at frequency f: amplitude 1 from the start.
  static OscVoiceState Steady(float frequency) {
    OscVoiceState st{};
    st.amplitude = st.rampStart = 1.0f, st.frequency = frequency, st.shape = kPi;
    return st;
  }
  bool Render(OscVoiceState* st, float* out) {
    return OscillatorRender(osc_, st, out, kSampleRate);
  }

  Oscillator* osc_ = nullptr;
};

// Waveform off writes nothing and reports silence; a zero frequency and a PAD waveform without
// a table leave the block as it was in every mode.
TEST_F(OscillatorTest, SilentCasesLeaveTheBlockAlone) {
  // Waveform, mode, frequency, block fill, whether it reports sound.
  const float rows[][5] = {{0, 0, 440, 0.25f, 0},
                           {2, 0, 0, 0.25f, 1},
                           {6, 0, 440, 0, 1},
                           {6, 1, 440, 0, 1},
                           {6, 2, 440, 0, 1}};
  for (const auto& row : rows) {
    Set(kOscWaveform, row[0]);
    Set(kOscMode, row[1]);
    OscVoiceState st = Steady(row[2]);
    std::vector<float> out(kBlockFrames, row[3]);
    EXPECT_EQ(Render(&st, out.data()), row[4] != 0) << row[0] << " " << row[1];
    EXPECT_EQ(out, std::vector<float>(kBlockFrames, row[3])) << row[0] << " " << row[1];
  }
}

// Multiply mode at high notes runs hundreds of cycle pieces per block (the squared gain would
// overflow to infinity, and infinity x 0 give NaN); phase modulation at full depth (3, used
// squared) steps the phase from -8 to +10 increments, also backwards. Every table read must
// stay inside its table and every sample finite within -1..1.
TEST_F(OscillatorTest, ExtremeModulationStaysFiniteAndInsideTheTables) {
  OscillatorUpdatePadTable(osc_, 0.1f, 0.5f, 0.2f);
  Set(kOscGain, 10);
  const struct {
    int mode;
    float depth, frequency;
    int blocks;
    bool fullScale;  // modulation input +-1, else -0.5, 0, 0.5
  } rows[] = {{1, 0, 15000, 1, false}, {2, 3, 5000, 8, true}};
  for (const auto& row : rows) {
    Set(kOscMode, static_cast<float>(row.mode));
    Set(kOscModDepth, row.depth);
    for (int waveform = 1; waveform <= 13; ++waveform) {
      Set(kOscWaveform, static_cast<float>(waveform));
      OscVoiceState st = Steady(row.frequency);
      for (int b = 0; b < row.blocks; ++b) {
        std::vector<float> out(kBlockFrames);
        for (int i = 0; i < kBlockFrames; ++i)
          out[i] = row.fullScale ? (i & 1 ? 1.0f : -1.0f) : (i % 3) * 0.5f - 0.5f;
        Render(&st, out.data());
        ASSERT_LE(audiotest::PeakAbs(out), 1.0) << row.mode << " " << waveform;
        ASSERT_GE(st.phase, 0.0f) << waveform;
        ASSERT_LE(st.phase, kTwoPi) << waveform;
      }
    }
  }
}

TEST_F(OscillatorTest, TableReadsThatRoundToTheEndReadEntryZero) {
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

}  // namespace
