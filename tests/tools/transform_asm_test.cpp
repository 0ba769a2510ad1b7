#include "tools/scriptasm/transform_asm.h"

#include "tool_checks.h"

#include <sstream>

namespace {

// The code of the lines of `text`, and the assembler's first message ("" when all assemble).
std::pair<std::vector<uint8_t>, std::string> Assembled(std::string_view text) {
  std::pair<std::vector<uint8_t>, std::string> out;
  std::istringstream lines{std::string(text)};
  for (std::string line; out.second.empty() && std::getline(lines, line);)
    TransformAssembleLine(line, &out.first, &out.second);
  return out;
}

using Case = std::pair<const char*, std::vector<uint8_t>>;  // text, code

// One instruction of every operation, between them every operand form: r without and with a
// swizzle byte (short and full letters), c, immediates (negative, infinite, -0), type 0.
const Case kInstructions[] = {
    {"add r1, c5", {0x00, 0x81, 0xC5}},
    {"sub.s r2.xyzw, 1.5", {0x81, 0xA2, 0xE4, 0x40, 0x00, 0x00, 0xC0, 0x3F}},
    {"mul r31.wzyx, c63", {0x02, 0xBF, 0x1B, 0xFF}},
    {"div c0, r0", {0x03, 0xC0, 0x80}},
    {"pow r3.x, -2", {0x04, 0xA3, 0x00, 0x40, 0x00, 0x00, 0x00, 0xC0}},
    {"fmod.s r4.y, r5.xy", {0x85, 0xA4, 0x55, 0xA5, 0x54}},
    {"min r6, -", {0x06, 0x86, 0x00}},
    {"max -", {0x07, 0x00}},
    {"sin.s r7.z, c1", {0x88, 0xA7, 0xAA, 0xC1}},
    {"cos r8.w, 3.1415927", {0x09, 0xA8, 0xFF, 0x40, 0xDB, 0x0F, 0x49, 0x40}},
    {"tan r9, inf", {0x0A, 0x89, 0x40, 0x00, 0x00, 0x80, 0x7F}},
    {"sqrt r10, -inf", {0x0B, 0x8A, 0x40, 0x00, 0x00, 0x80, 0xFF}},
    {"cross r11, r12", {0x0C, 0x8B, 0x8C}},
    {"normalize r13, -", {0x0D, 0x8D, 0x00}},
    {"dot r14.xyzw, c2", {0x0E, 0xAE, 0xE4, 0xC2}},
    {"mov.s c5, 0", {0x8F, 0xC5, 0x40, 0x00, 0x00, 0x00, 0x00}},
    {"rand r15, 1e+20", {0x10, 0x8F, 0x40, 0xEC, 0x78, 0xAD, 0x60}},
    {"seteq r16, -", {0x11, 0x90, 0x00}},
    {"setgt r17, -0", {0x12, 0x91, 0x40, 0x00, 0x00, 0x00, 0x80}},
    {"setlt r18, 0.1", {0x13, 0x92, 0x40, 0xCD, 0xCC, 0xCC, 0x3D}},
    {"translate r19.xyz, -", {0x14, 0xB3, 0xA4, 0x00}},
    {"rotate c40, -", {0x15, 0xE8, 0x00}},
    {"scale r20.zw, -", {0x16, 0xB4, 0xFE, 0x00}},
};

TEST(TransformAsmTest, EveryOperationRoundTrips) {
  ASSERT_EQ(std::size(kInstructions), TransformOpNames().size());
  for (size_t op = 0; op < std::size(kInstructions); ++op) {
    const auto& [text, code] = kInstructions[op];
    EXPECT_EQ(Assembled(text), std::pair(code, std::string())) << text;
    EXPECT_EQ(TransformDisassemble(code, ""), std::string(text) + "\n");
    EXPECT_EQ(TransformProgramOps(code), std::vector<uint8_t>{uint8_t(op)}) << text;
  }
}

// Code the instruction form cannot say comes out as bytes lines, one per instruction while
// the boundaries are known, and assembles back to the same code.
TEST(TransformAsmTest, UnsayableCodeRoundTripsAsBytes) {
  const Case kOdd[] = {
      {"bytes 0f 81 41 00 00 00 00\n", {0x0F, 0x81, 0x41, 0, 0, 0, 0}},        // stray type bits
      {"bytes 0f 81 40 00 00 c0 7f\n", {0x0F, 0x81, 0x40, 0, 0, 0xC0, 0x7F}},  // NaN
      {"bytes 0f 05\nmov r1, c5\n", {0x0F, 0x05, 0x0F, 0x81, 0xC5}},           // type 0 with bits
      {"bytes 17 81 c5 0f 81 c5\n", {0x17, 0x81, 0xC5, 0x0F, 0x81, 0xC5}},     // opcode 23
      {"mov r1, c5\nbytes 0f a1\n", {0x0F, 0x81, 0xC5, 0x0F, 0xA1}},           // cut short
  };
  for (const auto& [text, code] : kOdd) {
    EXPECT_EQ(TransformDisassemble(code, ""), text);
    EXPECT_EQ(Assembled(text), std::pair(code, std::string())) << text;
  }
}

TEST(TransformAsmTest, MalformedInstructionsAreRefused) {
  ExpectRefusals([](const std::string& line) { return Assembled(line).second; },
                 {{"wobble r1, c5", "unknown transform operation wobble"},
                  {"mov r1", "mov takes a destination and a source, or -"},
                  {"mov r1, c5, c6", "mov takes a destination and a source"},
                  {"mov -, c5", "mov takes a destination and a source"},
                  {"mov r32, c5", "bad transform operand r32"},
                  {"mov r1.xq, c1", "bad transform operand r1.xq"},
                  {"mov r1, nan", "bad transform operand nan"},
                  {"bytes", "bytes takes hex bytes 00..ff"},
                  {"bytes 100", "bytes takes hex bytes 00..ff"}});
}

}  // namespace
