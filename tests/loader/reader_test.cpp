#include "loader_test_util.h"

namespace {

using loadertest::Offset;
using loadertest::ReaderAtBody;
using loadertest::ReaderOver;
using loadertest::ReaderPtr;

// Signed 16.8 and unsigned 8.8 fixed point, big-endian; colours stored R G B A read as
// 0xAARRGGBB and unpacked to A R G B over 255; strings and blobs are a length byte and the
// bytes, read into fresh terminated copies; a transform is nine 16.8 values: translation,
// rotation, scale.
TEST(ReaderTest, OperandDecoding) {
  std::vector<uint8_t> body = {0xFF, 0xFF, 0xFF, 0x80, 0x00, 0x00, 0x7F, 0xFF, 0xFF,
                               0x01, 0x00, 0xFF, 0xFF, 1,    2,    3,    4,    0x12,
                               0x34, 0,    3,    'a',  'b',  'c',  2,    0xFF, 0x00};
  for (int v = 1; v <= 9; ++v) body.insert(body.end(), {0, uint8_t(v), 0x80});  // v + 0.5
  ReaderPtr r = ReaderAtBody(body);
  for (float v : {-1.0f / 256.0f, -32768.0f, 32767.99609375f}) EXPECT_EQ(ReadFixed16(*r), v);
  for (float v : {1.0f, 255.99609375f}) EXPECT_EQ(ReadFixed8(*r), v);
  const uint32_t color = ReadColor(*r);
  EXPECT_EQ(color, 0x04010203u);
  EXPECT_EQ(ReadU16(*r), 0x1234u);
  float argb[4];
  UnpackColor(argb, color);
  const float inv = static_cast<float>(1.0 / 255.0);
  EXPECT_TRUE(argb[0] == 4 * inv && argb[1] == inv && argb[2] == 2 * inv && argb[3] == 3 * inv);
  char* strings[] = {ReadString(*r), ReadString(*r)};
  EXPECT_STREQ(strings[0], "");
  EXPECT_STREQ(strings[1], "abc");
  uint32_t length = 99;
  uint8_t* blob = ReadBlob(*r, &length);
  EXPECT_EQ(length, 2u);
  EXPECT_TRUE(blob[0] == 0xFF && blob[1] == 0 && blob[2] == 0);
  crt::AlignedFree(strings[0]), crt::AlignedFree(strings[1]), crt::AlignedFree(blob);
  const ScriptTransform t = ReadTransform(*r);
  EXPECT_TRUE(t.translate[0] == 1.5f && t.translate[2] == 3.5f && t.rotate[0] == 4.5f &&
              t.rotate[2] == 6.5f && t.scale[0] == 7.5f && t.scale[2] == 9.5f);
  EXPECT_EQ(Offset(*r), 2 + body.size());
}

// Past the end every read gives 0 and the cursor stays.
TEST(ReaderTest, ReadingPastTheEndGivesZerosAndStops) {
  ReaderPtr r = ReaderAtBody({7});
  EXPECT_EQ(ReadByte(*r), 7u);
  EXPECT_EQ(ReadByte(*r), 0u);  // the trailing 0 of the copy
  EXPECT_EQ(ReadU16(*r), 0u);
  EXPECT_EQ(ReadFixed16(*r), 0.0f);
  EXPECT_EQ(Offset(*r), 4u);
}

// References are signed byte indices into their kind's own list: the count, -1 and -128 are
// none; the font list holds the fonts.
TEST(ReaderTest, ReferencesAreSignedIndicesIntoTheirOwnList) {
  ReaderPtr r = ReaderAtBody({0, 1, 2, 0xFF, 0x80, 1, 0});
  Light* lights[] = {LightInit(crt::AlignedNew<Light>()), LightInit(crt::AlignedNew<Light>())};
  for (Light* light : lights) ListAppend(*r->lists[kListLights], light);
  for (Light* expected : {lights[0], lights[1], (Light*)nullptr, (Light*)nullptr, (Light*)nullptr})
    EXPECT_EQ(ReadLightRef(*r), expected);
  EXPECT_EQ(ReadCameraRef(*r), nullptr);
  int font = 0;  // the font list is not freed entry by entry
  ListAppend(*r->fonts, &font);
  EXPECT_EQ(ReadFontRef(*r), reinterpret_cast<FontEntry*>(&font));
}

// The header is the expected tick count, little-endian (none in a script too short for it);
// lone opcodes consume one byte and one tick, and the run stops right after its opcode 0.
TEST(RunSceneScriptTest, HeaderAndLoneOpcodes) {
  ReaderPtr r = ReaderOver({0x59, 0x01, 8, 11, 14, 128, 255, 0, 1, 1});
  EXPECT_EQ(r->expectedTicks, 345u);
  EXPECT_EQ(RunSceneScript(*r), r->timeline);
  EXPECT_EQ(r->ticks, 6u);
  EXPECT_EQ(Offset(*r), 8u);
  EXPECT_EQ(ReaderOver({5})->expectedTicks, 0u);
}

TEST(RunSceneScriptTest, AStreamWithoutFinalZeroEndsAtTheEndOfTheData) {
  std::vector<uint8_t> bytes = loadertest::Assemble("texture t 4 4 1 0 0\n invert\nend\n");
  bytes.resize(bytes.size() - 2);  // drop the texture's end and the final opcode 0
  ReaderPtr r = ReaderOver(bytes);
  RunSceneScript(*r);
  EXPECT_EQ(ListCount(*r->lists[kListTextures]), 1u);  // the builder's 0 came from the end test
  EXPECT_EQ(r->ticks, 4u);                             // opcode, invert, end-of-data 0, final 0
}

// The window's messages are read after each loading-bar redraw (one in every fifteen ticks);
// once they say stop, a texture ends at its next operation and the script at its next opcode.
TEST(RunSceneScriptTest, AStopReadFromTheMessagesEndsTheScript) {
  std::string text = "texture a 4 4 1 0 0\n";
  for (int i = 0; i < 40; ++i) text += " invert\n";
  for (char name : {'b', 'c', 'd', 'e', 'f'})
    text += "end\ntexture " + std::string(1, name) + " 4 4 1 0 0\n";
  text += "end\n";
  ReaderPtr r = ReaderOver(loadertest::Assemble(text));
  static int reads = 0;
  r->readMessages = [] {
    ++reads;
    return false;
  };
  RunSceneScript(*r);
  EXPECT_EQ(reads, 1);
  EXPECT_LE(r->ticks, 16u);  // the stop at tick 15 at the latest, then the next opcode's
  EXPECT_LE(ListCount(*r->lists[kListTextures]), 1u);  // none when the opcode's tick read
}

}  // namespace
