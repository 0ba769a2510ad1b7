#include "tool_checks.h"

#include "tools/patchc/coverage.h"
#include "tools/patchc/patchc.h"

namespace {

std::string Compile(const std::string& text, std::vector<uint8_t>* table,
                    std::vector<std::string>* warnings) {
  std::string error;
  return PatchCompile(text, table, &error, warnings) ? "" : error;
}

// Octaves (-8..8) are read rounded: byte 43 is -1.12, read -2. Polyphony is read unrounded.
TEST(PatchcTest, BytesDecodeAsTheSynthesizerReadsThem) {
  EXPECT_EQ(PatchDecodeByte(*PatchParamFind("osc0.octave"), 43), -2);
  EXPECT_NEAR(PatchDecodeByte(*PatchParamFind("polyphony"), 13), 2.95f, 1e-5f);
}

TEST(PatchcTest, TableIsParameterMajorAndFaultsNameTheirLine) {
  std::vector<uint8_t> table, want(3735);  // 249 parameters x 15 instruments
  std::vector<std::string> warnings;
  ASSERT_EQ(
      Compile("instrument 3 kick\npolyphony 16\ninstrument 14\nosc1.wave 13\n", &table, &warnings),
      "");
  want[2 * 15 + 3] = want[41 * 15 + 14] = 100;  // the tops of polyphony (2) and osc1.wave (41)
  EXPECT_EQ(table, want);
  EXPECT_TRUE(warnings.empty());
  ASSERT_EQ(Compile("instrument 0\ngain 11\n", &table, &warnings), "");
  ASSERT_EQ(warnings.size(), 1u);
  // -20..20 dB in steps of 0.4: byte 78 (11.2) is the nearest.
  EXPECT_EQ(warnings[0].rfind("line 2: gain 11 stored as 11.19", 0), 0u) << warnings[0];
  ExpectRefusals(
      [&](const std::string& t) { return Compile(t, &table, &warnings); },
      {{"instrument 0\nvolume 3\n", "line 2: unknown"},
       {"instrument 0\ngain 21\n", "line 2: gain outside -20.000000..20.000000"},
       {"instrument 0\ngain 1\ngain 2\n", "line 3: gain set twice"},
       {"instrument 15\n", "line 1: expected 'instrument <0..14> [name]'"},
       {"gain 1\n", "line 1: parameter before the first 'instrument' line"},
       {"instrument 0\ngain 1x\n", "line 2: bad number"},
       {"instrument 0\nosc0.octave 0.5\n", "line 2: osc0.octave: no byte gives exactly 0.5"}});
}

TEST(PatchcTest, CoverageCountsOnlyWhatSounds) {
  const char* patches = R"(
instrument 0
osc0.wave 4
osc0.level 1
osc0.level_env 1        # envelope 0, curve 0: exponent below 1
osc1.wave 7             # multiplies oscillator 0
osc1.mode 1
osc1.level 0.5
osc2.wave 3             # no level: silent
unison 3
detune 0.2
lowpass.on 1
lowpass.cutoff_lfo 2
lfo1.wave 1
lfo1.amount 0.5
lfo1.combine 2          # multiplies LFO 0, which is in use through it
lfo0.wave 12
lfo0.amount 1
lfo2.wave 2             # nothing selects it
lfo2.amount 1
env1.curve 1            # nothing selects it
distortion.on 1
distortion.mode 0.6
eq.on 1
instrument 1            # multiplies an empty block: nothing sounds, nothing counts
osc0.wave 2
osc0.mode 2
osc0.level 1
reverb.on 1
instrument 2
noise.type 2
noise.level 0.5
glide 0.3
)";
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  ASSERT_EQ(Compile(patches, &table, &warnings), "");
  // lfo1 selects waveform 1 (sine) and multiplies lfo0's bank 6 (waveform 12).
  const UsedItems want = {{"oscillator waveforms", {"pulse", "wavetable bank 1"}},
                          {"oscillator modes", {"add", "multiply per cycle"}},
                          {"unison", {"unison"}},
                          {"glide", {"glide"}},
                          {"filters", {"low-pass"}},
                          {"noise types", {"pink"}},
                          {"lfo shapes", {"sine", "wavetable bank 6"}},
                          {"lfo combine modes", {"multiply"}},
                          {"effects", {"distortion sine", "equaliser"}},
                          {"envelope curves", {"exponent below 1"}}};
  const std::vector<CoverageCategory> cov = PatchCoverage(table);
  EXPECT_EQ(UsedItemsOf(cov), want);
  const std::string report = CoverageReport(cov);
  EXPECT_EQ(report.substr(report.rfind('\n', report.size() - 2)), "\ncoverage: 14/50\n");
}

}  // namespace
