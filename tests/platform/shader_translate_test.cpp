// The translator's refusals: every malformed stream ends in a clear error, never in a read
// past the stream (each stream lives in a heap block of exactly its length, so
// AddressSanitizer reports any overrun), and what it accepts it describes correctly.

#include <gtest/gtest.h>

#include <memory>

#include "platform/shader_translate.h"
#include "render/shader_table.h"
#include "tests/platform/shader_harness.h"

namespace {

using Words = std::vector<uint32_t>;
constexpr uint32_t kEnd = 0x0000FFFF;

// Translates the first `count` words from a heap block of exactly that size.
bool Translate(const Words& words, ShaderTranslation& out, size_t count = SIZE_MAX) {
  count = std::min(count, words.size());
  std::unique_ptr<uint32_t[]> block(new uint32_t[count ? count : 1]);
  std::copy(words.begin(), words.begin() + count, block.get());
  out = {};
  return TranslateShaderTokens(count ? block.get() : nullptr, count, out);
}

// `words` with word `index` replaced by `word`; an index past the end drops the last word.
Words With(Words words, size_t index, uint32_t word) {
  index < words.size() ? void(words[index] = word) : words.pop_back();
  return words;
}

TEST(ShaderTranslate, EveryTruncationOfEveryTableProgramIsRefused) {
  for (const ShaderTableEntry* e = ShaderTable; e->mode != kShaderTableEnd; ++e) {
    const Words words = TableTokens(*e);
    ShaderTranslation out;
    ASSERT_TRUE(Translate(words, out)) << out.error;
    for (size_t n = 0; n < words.size(); ++n) {
      EXPECT_FALSE(Translate(words, out, n)) << "mode " << e->mode << " cut at " << n;
      EXPECT_FALSE(out.error.empty());
    }
  }
}

TEST(ShaderTranslate, RefusesMalformedStreamsAndWhatTheModelDoesNotAllow) {
  // ps_2_0: dcl t0.xy (words 1-3), dcl_2d s0 (4-6), texld r0, t0, s0 (7-10), mov oC0, r0
  // (11-13), end (14).
  const Words good = Assembled("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0");
  const struct {
    Words words;
    const char* error;
  } rows[] = {
      {{0xFFFF0104, kEnd}, "word 0: unsupported version token"},

      {With(good, 99, 0), "word 14: stream ends without an end token"},
      // dp4 in place of mov: it needs two sources, its length says one.
      {With(good, 11, 0x02000009), "word 11: instruction length 2 is wrong"},
      {With(good, 12, 0xF00F0800), "word 11: register type 15 not allowed here"},  // loop counter
      {With(good, 13, 0x00E40000), "word 11: operand token without bit 31"},
      {With(good, 13, 0x80E42000), "word 11: relative addressing is not supported"},
      {With(good, 13, 0x80E4000C), "word 11: register number 12 out of range"},  // r12
      {With(good, 10, 0xA00F0801), "word 7: texld needs a declared sampler"},    // sampler 1
      // A texld cut after its destination; a comment block longer than what is left.
      {{0xFFFF0200, 0x03000042, 0x800F0000}, "word 1: operands run past the end"},
      {{0xFFFF0200, 0x0005FFFE, 0, 0, kEnd}, "word 1: bad comment block"},
      {Assembled("vs_1_1\ndcl_position v0\nmov oT0, v0"), "word 7: oPos is never written"},
      {Assembled("vs_1_1\ndcl_position v0\nmov oPos, v1"), "word 4: input v1 read before its dcl"},
      {Assembled("vs_2_0\ndcl_texcoord8 v0\nmov oPos, v0"), "word 1: input usage not supported"},

      // A matrix reads rows c253..c256: the last one is past the 256 constants.
      {Assembled("vs_2_0\ndcl_position v0\nm4x4 oPos, v0, c253"),
       "word 4: register number 253 out of range"},
      {Assembled("ps_2_0\nmov oC0, t0_bias"), "word 1: source modifier 2 not allowed"},

      {Assembled("ps_2_0\ntexkill c0\nmov oC0, c0"),
       "word 1: texkill expects a temporary or texture register"},

      // An opcode the model lacks is unknown there (dp4 in ps_1_1); co-issue exists in ps_1_1
      // only.
      {{0xFFFF0101, 0x00000009, 0x800F0000, 0xB0E40000, 0xB0E40001, kEnd},
       "word 1: unknown opcode 9"},

      {{0xFFFF0200, 0x42000001, 0x800F0800, 0x80E40000, kEnd}, "word 1: co-issue outside ps_1_1"},

  };
  for (const auto& row : rows) {
    ShaderTranslation out;
    EXPECT_FALSE(Translate(row.words, out));
    EXPECT_EQ(out.error, row.error);
    EXPECT_TRUE(out.source.empty());
  }
}

// A comment block changes nothing; the sampler kinds follow the declarations (ps_1_1: 2D for
// each stage read).
TEST(ShaderTranslate, SkipsCommentsAndReportsTheSamplerKinds) {
  const Words glow = Assembled("ps_1_1\ntex t0\ntex t3\nadd r0, t0, t3");
  ShaderTranslation out;
  ASSERT_TRUE(Translate(glow, out));
  const uint8_t glowSamplers[16] = {2, 0, 0, 2};
  EXPECT_EQ(0, memcmp(out.samplerType, glowSamplers, 16));
  const std::string plain = out.source;
  Words commented = glow;
  commented.insert(commented.begin() + 3, {0x0002FFFE, 0x12345678, kEnd});
  ASSERT_TRUE(Translate(commented, out)) << out.error;
  EXPECT_EQ(out.source, plain);
}

}  // namespace
