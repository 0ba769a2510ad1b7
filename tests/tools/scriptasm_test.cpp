#include <tuple>

#include "loader/scene_script.h"
#include "tool_checks.h"
#include "tools/scriptasm/script_asm.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string AssembleError(const std::string& text) {
  Bytes bytes;
  std::string error;
  return ScriptAssemble(text, &bytes, &error) ? "" : error;
}

Bytes Assemble(const std::string& text) {
  Bytes bytes;
  std::string error;
  EXPECT_TRUE(ScriptAssemble(text, &bytes, &error)) << error;
  return bytes;
}

// Disassembles `bytes` and assembles the text again: the same bytes must come back.
void ExpectRoundTrip(const Bytes& bytes) {
  std::string text, error;
  ASSERT_TRUE(ScriptDisassemble(bytes, &text, &error)) << error;
  EXPECT_EQ(Assemble(text), bytes) << text;
}

TEST(ScriptAsmTest, ProductionScriptRoundTrips) {
  const Bytes bytes(kSceneScript, kSceneScript + kSceneScriptSize);
  ExpectRoundTrip(bytes);
  EXPECT_EQ(ScriptCountTicks(bytes), bytes[0] | (bytes[1] << 8));
}

// Operand encodings at their limits, as the bytes after the opcode, header and sub-op of a
// one-statement block; each block round-trips.
TEST(ScriptAsmTest, OperandEncodingsAtTheirLimitsRoundTrip) {
  // {text, header bytes, operand bytes}
  const std::tuple<std::string, size_t, Bytes> rows[] = {
      // fixed16: 8.8 signed; fixed8 unsigned; values round to the nearest 1/256
      {"model m 0 0 0 0 0 0 0\n scale -0.00390625 -32768 32767.99609375\nend\n",
       7,
       {8, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0x7F, 0xFF, 0xFF}},
      {"camera c\n rotate 1 0.5 255.99609375\nend\n", 0, {4, 1, 0, 0, 0x80, 0xFF, 0xFF}},
      {"light l\n range 0.003\nend\n", 0, {4, 0, 0, 1}},
      // colour words are 0xAARRGGBB and stored R, G, B, A
      {"light l\n diffuse 0x04010203\nend\n", 0, {1, 1, 2, 3, 4}},
      {"camera c\n viewport 0x1234 1 0 65535\nend\n", 0, {1, 0x12, 0x34, 0, 1, 0, 0, 0xFF, 0xFF}},
      {"track t 1 1\n program [0a ff]\nend\n", 2, {2, 2, 0x0A, 0xFF}},
      {"texture t 8 8 1 0 0\n text \"a\\\"\\x4a\\\\\" 1 0 0 0 0 0xFF000000 \"\"\nend\n",
       7,
       {46, 4, 'a', '"', 0x4A, '\\', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}},
  };
  for (const auto& [text, headerBytes, operands] : rows) {
    const Bytes bytes = Assemble(text);  // ticks (2), opcode, header ... end 0, final 0
    EXPECT_EQ(Bytes(bytes.begin() + 3 + headerBytes, bytes.end() - 2), operands) << text;
    ExpectRoundTrip(bytes);
  }
}

TEST(ScriptAsmTest, ReferencesResolveAmongFinishedObjectsAndTicksAreCounted) {
  const Bytes bytes = Assemble(
      "texture a 8 8 1 0 0\nend\n"
      "texture b 8 8 1 0 0\n blend a 1 2\n blend - 1 2\n blend @-3 1 2\nend\n"
      "material a 0 1\n diffuse b\nend\nopcode 8\n");
  const Bytes expected = {12, 0,                                           // ticks
                          1,  0, 8, 0, 8,  1,    0, 0, 0,                  // texture a
                          1,  0, 8, 0, 8,  1,    0, 0,                     // texture b
                          16, 0, 1, 2, 16, 0xFF, 1, 2, 16, 0xFD, 1, 2, 0,  // its blends
                          13, 0, 1, 0, 1,  1,    0,                        // material a: diffuse b
                          8,  0};                                          // a lone opcode
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(ScriptCountTicks(bytes), 12);
}

TEST(ScriptAsmTest, MalformedTextIsRefusedWithItsLine) {
  const std::string text = "texture t 8 8 1 0 0\n text \"Sans\" 9 0 0 0 0 0xFFFFFFFF ";
  const std::string program = "track t 1 1\n program {\n  mov.s r1.x, c5\n";
  std::string lights, longProgram = "track t 1 1\n program {\n";
  for (int i = 0; i < 129; ++i) lights += "light l" + std::to_string(i) + "\nend\n";
  for (int i = 0; i < 37; ++i) longProgram += "  mov.s c5, 0\n";  // 7 bytes each
  ExpectRefusals(
      AssembleError,
      {
          {"texture a 8 8 1 0 0\n blend a 1 2\nend\n", "line 2: no finished texture named a"},
          {"texture a 8 8 1 0 0\n wobble\nend\n", "line 2: unknown texture sub-op wobble"},
          {"texture a 65536 8 1 0 0\nend\n", "line 1: operand '65536' does not fit"},
          {"camera c\n rotate -1 0 0\nend\n",
           "line 2: operand '-1' does not fit"},  // fixed8 is unsigned
          {"light l\n byte 4\nend\n",
           "line 2: byte takes one value that the kind ignores"},  // 4 is a light sub-op
          {"texture a 8 8 1 0 0\nend\ntexture a 8 8 1 0 0\nend\n", "line 3: name a used twice"},
          {"light l\n", "line 1: the last light has no end"},
          {lights + "scene s 0 0xFF000000 0\n light l128 0 0 0 0\nend\n",
           "line 260: l128 is beyond the first 128 of its kind"},
          {text + "\"\\x4G\"\nend\n", "line 2: bad escape"},
          {text + "\"\\\nend\n", "line 2: bad escape"},
          {program + "  mov r32, c5\n }\nend\n", "line 4: bad transform operand r32"},
          {program + "end\n", "line 4: unknown transform operation end"},
          {program, "line 3: the last program has no closing }"},
          {longProgram + " }\nend\n", "line 40: program longer than 255 bytes"},
      });
}

// A corrupt stream is refused with what is wrong with it, and counts no ticks.
TEST(ScriptAsmTest, DisassemblerRefusesBrokenStreams) {
  using namespace std::string_literals;
  const auto disassemble = [](const std::string& stream) {
    std::string text, error;
    return ScriptDisassemble(Bytes(stream.begin(), stream.end()), &text, &error) ? "" : error;
  };
  ExpectRefusals(disassemble, {{"\3\0\4\1\x10"s, "stream ends inside a light record"},
                               {"\1\0\0\7"s, "bytes after the final opcode 0"},
                               {"\1\0\x08"s, "no final opcode 0"}});
  EXPECT_EQ(ScriptCountTicks({1, 0, 8}), -1);
}

}  // namespace
