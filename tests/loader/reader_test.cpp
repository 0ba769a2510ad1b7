#include <gtest/gtest.h>

#include <cstring>

#include "loader_test_util.h"
#include "music/audio_clock.h"
#include "platform/crt.h"
#include "scene/light.h"
#include "texgen/texture.h"

namespace {

using loadertest::Assemble;
using loadertest::Offset;
using loadertest::ReaderAtBody;
using loadertest::ReaderOver;
using loadertest::ReaderPtr;

TEST(ReaderTest, FixedPointAndColourDecoding) {
  ReaderPtr r = ReaderAtBody({0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x7F, 0xFF, 0xFF,  // fx16
                              0x01, 0x00, 0xFF, 0xFF,                                // fx8
                              1, 2, 3, 4,                                            // colour
                              0x12, 0x34});                                          // u16
  EXPECT_EQ(ReadFixed16(*r), -1.0f / 256.0f);
  EXPECT_EQ(ReadFixed16(*r), -32768.0f);
  EXPECT_EQ(ReadFixed16(*r), 32767.99609375f);
  EXPECT_EQ(ReadFixed8(*r), 1.0f);
  EXPECT_EQ(ReadFixed8(*r), 255.99609375f);
  uint32_t color = ReadColor(*r);
  EXPECT_EQ(color, 0x04010203u);
  EXPECT_EQ(ReadU16(*r), 0x1234u);
  float argb[4];
  EXPECT_EQ(UnpackColor(argb, color), argb);
  const float inv = static_cast<float>(1.0 / 255.0);
  EXPECT_EQ(argb[0], 4 * inv);
  EXPECT_EQ(argb[1], 1 * inv);
  EXPECT_EQ(argb[2], 2 * inv);
  EXPECT_EQ(argb[3], 3 * inv);
  UnpackColor(argb, 0xFFFFFFFF);
  for (float channel : argb) EXPECT_EQ(channel, 1.0f);
}

TEST(ReaderTest, StringsAndBlobsAreFreshTerminatedCopies) {
  ReaderPtr r = ReaderAtBody({0, 3, 'a', 'b', 'c', 2, 0xFF, 0x00});
  char* empty = ReadString(*r);
  EXPECT_STREQ(empty, "");
  char* abc = ReadString(*r);
  EXPECT_STREQ(abc, "abc");
  uint32_t length = 99;
  uint8_t* blob = ReadBlob(*r, &length);
  EXPECT_EQ(length, 2u);
  EXPECT_EQ(blob[0], 0xFF);
  EXPECT_EQ(blob[1], 0x00);
  EXPECT_EQ(blob[2], 0x00);  // terminator
  EXPECT_EQ(Offset(*r), 10u);
  crt::AlignedFree(empty);
  crt::AlignedFree(abc);
  crt::AlignedFree(blob);
}

TEST(ReaderTest, ReadingPastTheEndGivesZerosAndStops) {
  ReaderPtr r = ReaderAtBody({7});
  EXPECT_EQ(r->size, 3u);
  EXPECT_EQ(ReadByte(*r), 7u);
  EXPECT_EQ(ReadByte(*r), 0u);  // the trailing 0 of the copy
  EXPECT_EQ(Offset(*r), 4u);
  EXPECT_EQ(ReadU16(*r), 0u);
  EXPECT_EQ(ReadFixed16(*r), 0.0f);
  EXPECT_EQ(Offset(*r), 4u);
  // a reference past the end reads through the same test: index 0
  Texture* texture = TextureCreateScratch(1, 1);
  ListAppend(*r->lists[kListTextures], texture);
  EXPECT_EQ(ReadTextureRef(*r), texture);
  EXPECT_EQ(Offset(*r), 4u);
}

TEST(ReaderTest, ReferencesAreSignedIndicesIntoTheirOwnList) {
  ReaderPtr r = ReaderAtBody({0, 1, 2, 0xFF, 0x80, 1, 0});
  Light* a = LightInit(crt::AlignedNew<Light>());
  Light* b = LightInit(crt::AlignedNew<Light>());
  ListAppend(*r->lists[kListLights], a);
  ListAppend(*r->lists[kListLights], b);
  EXPECT_EQ(ReadLightRef(*r), a);
  EXPECT_EQ(ReadLightRef(*r), b);
  EXPECT_EQ(ReadLightRef(*r), nullptr);   // index equal to the count
  EXPECT_EQ(ReadLightRef(*r), nullptr);   // -1
  EXPECT_EQ(ReadLightRef(*r), nullptr);   // -128
  EXPECT_EQ(ReadCameraRef(*r), nullptr);  // another kind's list is empty
  int font = 0;                           // the font list is not freed entry by entry
  ListAppend(*r->fonts, &font);
  EXPECT_EQ(ReadFontRef(*r), reinterpret_cast<FontEntry*>(&font));
}

TEST(ReaderTest, TransformOperandIsTranslateRotateScale) {
  std::vector<uint8_t> body;
  for (int v = 1; v <= 9; ++v) body.insert(body.end(), {0, uint8_t(v), 0x80});  // v + 0.5
  ScriptTransform t = ReadTransform(*ReaderAtBody(body));
  EXPECT_EQ(t.translate[0], 1.5f);
  EXPECT_EQ(t.translate[2], 3.5f);
  EXPECT_EQ(t.rotate[0], 4.5f);
  EXPECT_EQ(t.rotate[2], 6.5f);
  EXPECT_EQ(t.scale[0], 7.5f);
  EXPECT_EQ(t.scale[2], 9.5f);
}

TEST(ReaderTest, CreationCopiesTheScriptAndReadsTheHeaderLittleEndian) {
  std::vector<uint8_t> bytes = {0x59, 0x01, 8, 0};
  ReaderPtr r = ReaderOver(bytes);
  EXPECT_EQ(r->expectedTicks, 345u);
  EXPECT_EQ(r->size, 4u);
  EXPECT_NE(r->copy, bytes.data());
  EXPECT_EQ(std::memcmp(r->copy, bytes.data(), 4), 0);
  EXPECT_EQ(r->copy[4], 0);
  EXPECT_EQ(r->cursor, nullptr);
  EXPECT_EQ(r->ticks, 0u);
  for (List* list : r->lists) EXPECT_EQ(ListCount(*list), 0u);
  EXPECT_EQ(ListCount(*r->fonts), 0u);
  EXPECT_EQ(ReaderOver({5})->expectedTicks, 0u);  // too short for a header
}

TEST(RunSceneScriptTest, LoneOpcodesConsumeOneByteAndOneTick) {
  ReaderPtr r = ReaderOver({0, 0, 8, 11, 14, 128, 255, 0, 1, 1});
  EXPECT_EQ(RunSceneScript(*r), r->timeline);
  EXPECT_EQ(r->ticks, 6u);
  EXPECT_EQ(Offset(*r), 8u);  // stopped right after its opcode 0
}

TEST(RunSceneScriptTest, AStreamWithoutFinalZeroEndsAtTheEndOfTheData) {
  std::vector<uint8_t> bytes = Assemble("texture t 4 4 1 0 0\n invert\nend\n");
  bytes.resize(bytes.size() - 2);  // drop the texture's end and the final opcode 0
  ReaderPtr r = ReaderOver(bytes);
  RunSceneScript(*r);
  EXPECT_EQ(ListCount(*r->lists[kListTextures]), 1u);  // the builder's 0 came from the end test
  EXPECT_EQ(r->ticks, 4u);                             // opcode, invert, end-of-data 0, final 0
}

TEST(RunSceneScriptTest, RunningAgainRestartsTicksAndCursor) {
  ReaderPtr r = ReaderOver({0, 0, 8, 8, 0});
  AudioClockReset();
  RunSceneScript(*r);
  EXPECT_EQ(r->startTime, 0);        // the audio clock has not started
  AudioClockAdvance(44100 * 5 / 2);  // 2.5 s: whole seconds to the nearest, ties to even
  RunSceneScript(*r);
  EXPECT_EQ(r->ticks, 3u);
  EXPECT_EQ(r->startTime, 2);
  AudioClockReset();
}

}  // namespace
