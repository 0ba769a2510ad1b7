// The embedded shader table: order, kinds, fifth words and streams that match their kind.

#include <gtest/gtest.h>

#include "platform/shader_translate.h"
#include "render/shader_table.h"

namespace {

TEST(ShaderTable, ListsEveryModeInTableOrderVertexBeforePixel) {
  const uint32_t modes[15] = {0, 1, 2, 4, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  const uint32_t vertexFifth[15] = {2, 2, 3, 3, 3, 3, 2, 3, 3, 3, 3, 4, 1, 3, 3};
  const uint32_t pixelFifth[15] = {0, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (int i = 0; i < 15; ++i) {
    const ShaderTableEntry& v = ShaderTable[2 * i];
    const ShaderTableEntry& p = ShaderTable[2 * i + 1];
    EXPECT_EQ(v.mode, modes[i]);
    EXPECT_EQ(p.mode, modes[i]);
    EXPECT_EQ(v.kind, 1u);
    EXPECT_EQ(p.kind, 2u);
    EXPECT_EQ(v.reserved, vertexFifth[i]) << "mode " << modes[i];
    EXPECT_EQ(p.reserved, pixelFifth[i]) << "mode " << modes[i];
  }
  const ShaderTableEntry& end = ShaderTable[30];
  EXPECT_EQ(end.mode, kShaderTableEnd);
  EXPECT_EQ(end.kind, 0u);
  EXPECT_EQ(end.tokens, nullptr);
  EXPECT_EQ(end.size, 0u);
}

// Modes sharing a program share one stream; each stream is aligned, ends with the end
// token, and translates to the stage of its kind.
TEST(ShaderTable, StreamsAreSharedAlignedAndOfTheirKind) {
  auto entry = [](uint32_t mode, uint32_t kind) {
    for (const ShaderTableEntry* e = ShaderTable; e->mode != kShaderTableEnd; ++e)
      if (e->mode == mode && e->kind == kind) return e->tokens;
    return static_cast<const uint32_t*>(nullptr);
  };
  EXPECT_EQ(entry(0, 1), entry(1, 1));   // V1
  EXPECT_EQ(entry(2, 1), entry(4, 1));   // V4
  EXPECT_EQ(entry(7, 1), entry(9, 1));   // V5
  EXPECT_EQ(entry(1, 2), entry(6, 2));   // P2
  EXPECT_EQ(entry(5, 2), entry(10, 2));  // P3
  EXPECT_EQ(entry(2, 2), entry(7, 2));   // P4
  EXPECT_NE(entry(2, 2), entry(3, 2));
  for (const ShaderTableEntry* e = ShaderTable; e->mode != kShaderTableEnd; ++e) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(e->tokens) % 16, 0u);
    ASSERT_EQ(e->size % 4, 0u);
    EXPECT_EQ(e->tokens[e->size / 4 - 1], 0x0000FFFFu);
    ShaderTranslation t{};
    ASSERT_TRUE(TranslateShaderTokens(e->tokens, e->size / 4, t)) << t.error;
    EXPECT_EQ(t.stage, e->kind == 1 ? ShaderStage::Vertex : ShaderStage::Pixel);
  }
}

}  // namespace
