#include <gtest/gtest.h>

#include <string>

#include "tools/patchc/coverage.h"
#include "tools/patchc/patchc.h"

namespace {

std::string Compile(const std::string& text, std::vector<uint8_t>* table,
                    std::vector<std::string>* warnings) {
  std::string error;
  return PatchCompile(text, table, &error, warnings) ? "" : error;
}

TEST(PatchcTest, DecodingFollowsTheSynthesizersRounding) {
  const PatchParamInfo* octave = PatchParamFind("osc0.octave");
  ASSERT_NE(octave, nullptr);
  EXPECT_EQ(octave->index, 32);
  // Byte 43 is -1.12, which reads as -2: negative values floor.
  EXPECT_EQ(PatchDecodeByte(*octave, 43), -2.0f);
  EXPECT_EQ(PatchDecodeByte(*octave, 50), 0.0f);
  EXPECT_EQ(PatchDecodeByte(*octave, 56), 1.0f);
  EXPECT_EQ(PatchDecodeByte(*octave, 37), -3.0f);
  // The polyphony is a float: byte 13 reads 2.95.
  EXPECT_NEAR(PatchDecodeByte(*PatchParamFind("polyphony"), 13), 2.95f, 1e-5f);
  EXPECT_EQ(PatchParamFind("osc2.pan_env")->index, 85);
  EXPECT_EQ(PatchParamFind("lfo3.amount")->index, 151);
  EXPECT_EQ(PatchParamFind("env3.peak")->index, 175);
  EXPECT_EQ(PatchParamFind("nonsense"), nullptr);
}

TEST(PatchcTest, EncodingPicksTheNearestByteAndExactIntegers) {
  for (const PatchParamInfo& info : PatchParamTable()) {
    if (!info.integer) continue;
    // Every integer the range starts or ends with must be reachable and decode exactly.
    for (float v : {info.min, info.max}) {
      const int b = PatchEncodeValue(info, v);
      ASSERT_GE(b, 0) << info.name << " " << v;
      EXPECT_EQ(PatchDecodeByte(info, b), v) << info.name;
    }
  }
  const PatchParamInfo& gain = *PatchParamFind("gain");  // -20..20 dB in steps of 0.4
  EXPECT_EQ(PatchEncodeValue(gain, 11.0f), 78);          // 11.2 is nearer than 10.8
  EXPECT_EQ(PatchEncodeValue(gain, -20.0f), 0);
  EXPECT_EQ(PatchEncodeValue(*PatchParamFind("delay.left"), 5.0f), -1);  // steps of 10 ms
}

TEST(PatchcTest, TableLayoutIsParameterMajor) {
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  ASSERT_EQ(
      Compile("instrument 3 kick\npolyphony 16\ninstrument 14\nosc1.wave 13\n", &table, &warnings),
      "");
  ASSERT_EQ(table.size(), 3735u);
  EXPECT_EQ(table[2 * 15 + 3], 100);
  EXPECT_EQ(table[(17 + 23 + 1) * 15 + 14], 100);
  int set = 0;
  for (uint8_t b : table) set += b != 0;
  EXPECT_EQ(set, 2);
  EXPECT_TRUE(warnings.empty());
}

TEST(PatchcTest, ReportsFaultsWithTheirLineAndWarnsAboutQuantisation) {
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  EXPECT_NE(Compile("instrument 0\nvolume 3\n", &table, &warnings).find("line 2: unknown"),
            std::string::npos);
  EXPECT_NE(Compile("instrument 0\ngain 21\n", &table, &warnings).find("outside"),
            std::string::npos);
  EXPECT_NE(Compile("instrument 0\ngain 1\ngain 2\n", &table, &warnings).find("twice"),
            std::string::npos);
  EXPECT_NE(Compile("instrument 15\n", &table, &warnings).find("instrument"), std::string::npos);
  EXPECT_NE(Compile("gain 1\n", &table, &warnings).find("before"), std::string::npos);
  EXPECT_NE(Compile("instrument 0\ngain 1x\n", &table, &warnings).find("bad number"),
            std::string::npos);
  EXPECT_NE(Compile("instrument 0\nosc0.octave 0.5\n", &table, &warnings).find("exactly"),
            std::string::npos);
  warnings.clear();
  EXPECT_EQ(Compile("instrument 0\ngain 11\ngain_ok_after 1\n", &table, &warnings).find("line 3"),
            0u);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("line 2: gain 11 stored as 11.19"), std::string::npos);
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
glide 0.5
instrument 2
noise.type 2
noise.level 0.5
glide 0.3
)";
  std::vector<uint8_t> table;
  std::vector<std::string> warnings;
  ASSERT_EQ(Compile(patches, &table, &warnings), "");
  const std::vector<CoverageCategory> cov = PatchCoverage(table);
  const struct {
    const char* category;
    int used, total;
    const char* firstUsed;
  } want[] = {
      {"oscillator waveforms", 2, 13, "pulse"},
      {"oscillator modes", 2, 3, "add"},
      {"unison", 1, 1, "unison"},
      {"glide", 1, 1, "glide"},
      {"filters", 1, 4, "low-pass"},
      {"noise types", 1, 2, "pink"},
      {"lfo shapes", 2, 13, "sine"},
      {"lfo combine modes", 1, 2, "multiply"},
      {"effects", 2, 8, "distortion sine"},
      {"envelope curves", 1, 3, "exponent below 1"},
  };
  ASSERT_EQ(cov.size(), std::size(want));
  for (size_t k = 0; k < cov.size(); ++k) {
    int used = 0;
    std::string first;
    for (const CoverageItem& item : cov[k].items) {
      if (item.used && first.empty()) first = item.name;
      used += item.used;
    }
    EXPECT_EQ(cov[k].name, want[k].category);
    EXPECT_EQ(used, want[k].used) << want[k].category;
    EXPECT_EQ(cov[k].items.size(), size_t(want[k].total)) << want[k].category;
    EXPECT_EQ(first, want[k].firstUsed) << want[k].category;
  }
  const std::string report = CoverageReport(cov);
  EXPECT_NE(report.find("lfo shapes              2/13\n"), std::string::npos);
  EXPECT_NE(report.find("\n  effects: reverb\n"), std::string::npos);
  EXPECT_EQ(report.substr(report.rfind('\n', report.size() - 2)), "\ncoverage: 14/50\n");
}

}  // namespace
