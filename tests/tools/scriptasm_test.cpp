#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "loader/scene_script.h"
#include "tools/scriptasm/script_asm.h"
#include "tools/scriptasm/script_layout.h"

namespace {

std::vector<uint8_t> Assemble(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(ScriptAssemble(text, &bytes, &error)) << error;
  return bytes;
}

std::string AssembleError(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string error;
  return ScriptAssemble(text, &bytes, &error) ? "" : error;
}

// Operand bytes after the opcode, header and sub-op byte of a one-statement block.
std::vector<uint8_t> SubOpBytes(const std::string& block, size_t headerBytes) {
  std::vector<uint8_t> bytes = Assemble(block);
  // header (2), opcode, header, sub-op ... end 0, final 0
  return std::vector<uint8_t>(bytes.begin() + 3 + headerBytes, bytes.end() - 2);
}

// A sample text of an operand letter; references name the objects made by SampleObjects.
std::string SampleOperand(char letter, int i, bool named) {
  switch (letter) {
    case 'b': return std::to_string(200 + i % 50);
    case 'f': return "1";
    case 'w': return std::to_string(40000 + i);
    case 'h': return "1.5";
    case 'x': return (i % 2) ? "-2.25" : "32767.99609375";
    case 'c': return "0x80FF2010";
    case 's': return "\"say \\\"hi\\\" # \\x01\"";
    case 'B': return "[01 ff 7e]";
    case 'P': return (i % 2) ? "{\n mov.s r1.x, c5\n bytes 17\n }" : "[0f 81]";
    case 'X': return "1 2 3 45 -90 180 1 1 0.5";
    default:
      if (named && i % 3 == 2) return std::string(ScriptRefKindName(letter)) + "0";
      return (i % 3 == 0) ? "-" : "@5";
  }
}

std::string SampleLine(std::string_view name, std::string_view operands, int seed, bool named) {
  std::string line(name);
  for (size_t i = 0; i < operands.size(); ++i) {
    line += " " + SampleOperand(operands[i], seed + int(i), named);
  }
  return line + "\n";
}

// Every opcode with every sub-op and sample operands; `named` refers to the first objects.
std::string EveryOpcode(const std::string& prefix, bool named, int* seed) {
  std::string text;
  for (const ScriptOpLayout& op : ScriptOpLayouts()) {
    std::string opener(op.name);
    if (op.kind) opener += " " + prefix + std::string(op.name) + "0";
    text += SampleLine(opener, op.header, (*seed)++, named);
    for (const ScriptSubOpLayout& sub : op.subOps) {
      text += "  " + SampleLine(sub.name, sub.operands, (*seed)++, named);
    }
    text += "  byte 200\nend\n";
  }
  return text;
}

// Two objects of every kind (the second ones referring to the first), filler bytes and lone
// opcodes.
std::string EverythingScript() {
  int seed = 0;
  std::string text = "ticks 345\n" + EveryOpcode("", false, &seed);
  text += "opcode 8\nopcode 11\nopcode 255\n";
  return text + EveryOpcode("second_", true, &seed);
}

TEST(ScriptAsmTest, EveryLayoutRoundTripsThroughTheDisassembler) {
  std::vector<uint8_t> bytes = Assemble(EverythingScript());
  std::string text, error;
  ASSERT_TRUE(ScriptDisassemble(bytes, &text, &error)) << error;
  EXPECT_EQ(Assemble(text), bytes) << text;
  std::string again;
  ASSERT_TRUE(ScriptDisassemble(Assemble(text), &again, &error));
  EXPECT_EQ(again, text);
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), 345);
  EXPECT_EQ(text.substr(0, 10), "ticks 345\n");
}

// The shortest text of an operand: empty strings and blobs, null references.
std::string MinimalOperand(char letter) {
  if (letter == 's') return "\"\"";
  if (letter == 'B' || letter == 'P') return "[]";
  if (letter == 'X') return "0 0 0 0 0 0 1 1 1";
  if (letter == 'c') return "0xFF000000";
  return std::isupper(static_cast<unsigned char>(letter)) ? "-" : "1";
}

TEST(ScriptAsmTest, SubOpsTakeTheBytesTheirLayoutsSay) {
  // Empty strings and blobs, so every operand letter has its fixed size.
  for (const ScriptOpLayout& op : ScriptOpLayouts()) {
    std::string header;
    for (char letter : op.header) header += " " + MinimalOperand(letter);
    for (const ScriptSubOpLayout& sub : op.subOps) {
      std::string line = "  " + std::string(sub.name);
      for (char letter : sub.operands) line += " " + MinimalOperand(letter);
      std::string text =
          std::string(op.name) + (op.kind ? " o" : "") + header + "\n" + line + "\nend\n";
      std::vector<uint8_t> bytes = Assemble(text);
      EXPECT_EQ(bytes.size(),
                2 + 1 + ScriptOperandBytes(op.header) + 1 + ScriptOperandBytes(sub.operands) + 2)
          << op.name << " " << sub.name;
    }
  }
}

TEST(ScriptAsmTest, OperandEncodings) {
  // model header is seven bytes; scale is three fixed16 values
  EXPECT_EQ(SubOpBytes("model m 0 0 0 0 0 0 0\n scale -0.00390625 -32768 32767.99609375\nend\n", 7),
            (std::vector<uint8_t>{8, 0xFF, 0xFF, 0xFF, 0x80, 0, 0, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(SubOpBytes("camera c\n rotate 1 0.5 255.99609375\nend\n", 0),
            (std::vector<uint8_t>{4, 1, 0, 0, 0x80, 0xFF, 0xFF}));
  // colour words are 0xAARRGGBB and stored R, G, B, A
  EXPECT_EQ(SubOpBytes("light l\n diffuse 0x04010203\nend\n", 0),
            (std::vector<uint8_t>{1, 1, 2, 3, 4}));
  EXPECT_EQ(SubOpBytes("camera c\n viewport 0x1234 1 0 65535\nend\n", 0),
            (std::vector<uint8_t>{1, 0x12, 0x34, 0, 1, 0, 0, 0xFF, 0xFF}));
  EXPECT_EQ(SubOpBytes("track t 1 1\n program [0a ff]\nend\n", 2),
            (std::vector<uint8_t>{2, 2, 0x0A, 0xFF}));
  EXPECT_EQ(SubOpBytes("texture t 8 8 1 0 0\n text \"a\\\"b\" 1 0 0 0 0 0xFF000000 \"\"\nend\n", 7),
            (std::vector<uint8_t>{46, 3, 'a', '"', 'b', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0}));
  // fixed values round to the nearest 1/256
  EXPECT_EQ(SubOpBytes("light l\n range 0.001\nend\n", 0), (std::vector<uint8_t>{4, 0, 0, 0}));
  EXPECT_EQ(SubOpBytes("light l\n range 0.003\nend\n", 0), (std::vector<uint8_t>{4, 0, 0, 1}));
}

TEST(ScriptAsmTest, ReferencesResolveAmongFinishedObjectsOfTheirKind) {
  std::vector<uint8_t> bytes = Assemble(
      "texture a 8 8 1 0 0\nend\n"
      "texture b 8 8 1 0 0\n blend a 1 2\n blend - 1 2\n blend @-3 1 2\nend\n"
      "material a 0 1\n diffuse b\nend\n");
  const std::vector<uint8_t> expected = {11,   0,                           // ticks
                                         1,    0, 8, 0, 8,  1,    0, 0, 0,  // texture a
                                         1,    0, 8, 0, 8,  1,    0, 0,     // texture b
                                         16,   0, 1, 2, 16, 0xFF, 1, 2, 16,
                                         0xFD, 1, 2, 0,               // its blends
                                         13,   0, 1, 0, 1,  1,    0,  // material a: diffuse b
                                         0};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(ScriptCountTicks(bytes), 11);
}

TEST(ScriptAsmTest, MistakesAreReportedWithTheirLine) {
  EXPECT_EQ(AssembleError("texture a 8 8 1 0 0\n blend a 1 2\nend\n"),
            "line 2: no finished texture named a");
  EXPECT_EQ(AssembleError("texture a 8 8 1 0 0\n wobble\nend\n"),
            "line 2: unknown texture sub-op wobble");
  EXPECT_EQ(AssembleError("light l\n range\nend\n"), "line 2: expected 1 operands, got 0");
  EXPECT_NE(AssembleError("texture a 65536 8 1 0 0\nend\n"), "");
  EXPECT_NE(AssembleError("light l\n diffuse 0x123\nend\n"), "");
  EXPECT_NE(AssembleError("camera c\n rotate -1 0 0\nend\n"), "");  // fixed8 is unsigned
  EXPECT_NE(AssembleError("light l\n range 32768\nend\n"), "");
  EXPECT_NE(AssembleError("light l\n byte 4\nend\n"), "");  // 4 is a light sub-op
  EXPECT_NE(AssembleError("opcode 1\n"), "");               // 1 reads operands
  EXPECT_NE(AssembleError("texture a 8 8 1 0 0\nend\ntexture a 8 8 1 0 0\nend\n"), "");
  EXPECT_EQ(AssembleError("light l\n"), "line 1: the last light has no end");
  EXPECT_EQ(AssembleError("light l\nend\nticks 3\n"),
            "line 3: ticks comes first and takes auto or 0..65535");
  std::string many;
  for (int i = 0; i < 129; ++i) many += "light l" + std::to_string(i) + "\nend\n";
  EXPECT_EQ(AssembleError(many + "scene s 0 0xFF000000 0\n light l128 0 0 0 0\nend\n"),
            "line 260: l128 is beyond the first 128 of its kind");
}

// Every malformed line is refused with its number, never taken as something else.
TEST(ScriptAsmTest, MalformedLinesNameTheirLine) {
  const std::string texture = "texture t 8 8 1 0 0\n text \"Sans\" 9 0 0 0 0 0xFFFFFFFF ";
  const std::string program = "track t 1 1\n program {\n  mov.s r1.x, c5\n";
  const std::pair<std::string, std::string> kCases[] = {
      {texture + "\"\\x4G\"\nend\n", "line 2: bad escape"},
      {texture + "\"\\xZZ\"\nend\n", "line 2: bad escape"},
      {texture + "\"\\x4\"\nend\n", "line 2: bad escape"},
      {texture + "\"\\q\"\nend\n", "line 2: bad escape"},
      {texture + "\"\\\nend\n", "line 2: bad escape"},
      {program + "  mov r32, c5\n }\nend\n", "line 4: bad transform operand r32"},
      {program + "  wobble r1, c5\n }\nend\n", "line 4: unknown transform operation wobble"},
      {program + "end\n", "line 4: unknown transform operation end"},
      {program, "line 3: the last program has no closing }"},
  };
  for (const auto& [text, error] : kCases) {
    EXPECT_EQ(AssembleError(text).substr(0, error.size()), error) << text;
  }
  std::string tooLong = "track t 1 1\n program {\n";
  for (int i = 0; i < 37; ++i) tooLong += "  mov.s c5, 0\n";  // 7 bytes each
  EXPECT_EQ(AssembleError(tooLong + " }\nend\n"), "line 40: program longer than 255 bytes");
  EXPECT_EQ(
      SubOpBytes("texture t 8 8 1 0 0\n text \"\\x4a\\\\\" 0 0 0 0 0 0x00000000 \"\"\nend\n", 7),
      (std::vector<uint8_t>{46, 2, 0x4A, '\\', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ScriptAsmTest, AutomaticTickCountMatchesTheLoadersCount) {
  std::vector<uint8_t> bytes = Assemble(
      "texture a 8 8 1 0 0\n invert\n byte 99\nend\n"  // opcode, 2 ops, end: 4
      "opcode 8\n"                                     // 1
      "font f \"Sans\" 12\n byte 7\nend\n"             // opcode, filler, 0: 3
      "timeline\nend\n");                              // 2, then the final 0: 1
  EXPECT_EQ(bytes[0] | (bytes[1] << 8), 11);
  EXPECT_EQ(ScriptCountTicks(bytes), 11);
}

TEST(ScriptAsmTest, DisassemblerRejectsBrokenStreams) {
  std::string text, error;
  std::vector<uint8_t> cut = {3, 0, 4, 1, 0x10};  // a light colour cut short
  EXPECT_FALSE(ScriptDisassemble(cut, &text, &error));
  EXPECT_EQ(error, "stream ends inside a light record");
  EXPECT_FALSE(ScriptDisassemble({1, 0, 0, 7}, &text, &error));
  EXPECT_EQ(error, "bytes after the final opcode 0");
  EXPECT_FALSE(ScriptDisassemble({1, 0, 8}, &text, &error));
  EXPECT_EQ(ScriptCountTicks({1, 0, 8}), -1);
}

TEST(ScriptAsmTest, ProductionScriptRoundTrips) {
  std::vector<uint8_t> bytes(kSceneScript, kSceneScript + kSceneScriptSize);
  std::string text, error;
  ASSERT_TRUE(ScriptDisassemble(bytes, &text, &error)) << error;
  EXPECT_EQ(Assemble(text), bytes);
  EXPECT_EQ(ScriptCountTicks(bytes), bytes[0] | (bytes[1] << 8));
}

}  // namespace
