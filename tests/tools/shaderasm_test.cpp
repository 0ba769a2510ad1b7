// The shader assembler against decoded reference streams and its refusals, and the shader
// table text.
#include <tuple>

#include "tool_checks.h"
#include "tools/shaderasm/shader_asm.h"
#include "tools/shaderasm/shader_table_emit.h"

namespace {

using Words = std::vector<uint32_t>;

// The tokens of `text`, and the assembler's message ("" when it assembles).
std::pair<Words, std::string> Assembled(const std::string& text) {
  std::pair<Words, std::string> out;
  AssembleShader(text, out.first, out.second);
  return out;
}

TEST(ShaderAsm, MatchesDecodedReferenceStreams) {
  const std::pair<const char*, Words> rows[] = {
      {"ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n",
       {0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F, 0x90000000, 0xA00F0800,
        0x03000042, 0x800F0000, 0xB0E40000, 0xA0E40800, 0x02000001, 0x800F0800, 0x80E40000,
        0x0000FFFF}},
      {"ps_1_1\ndef c0, 0, 1, 0, 1\nmov r0, c0",
       {0xFFFF0101, 0x00000051, 0xA00F0000, 0x00000000, 0x3F800000, 0x00000000, 0x3F800000,
        0x00000001, 0x800F0000, 0xA0E40000, 0x0000FFFF}},
      {"vs_1_1\n dcl_position v0 ; comment\ndp4 oPos.x, v0, c11\ndp4 oPos.w, v0, c11 // another\n"
       "mov oD0, c8\n",
       {0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x00000009, 0xC0010000, 0x90E40000,
        0xA0E4000B, 0x00000009, 0xC0080000, 0x90E40000, 0xA0E4000B, 0x00000001, 0xD00F0000,
        0xA0E40008, 0x0000FFFF}},
      // Controls of the load forms: projective 1, biased 2; short swizzles repeat the last letter.
      {"ps_2_0\ntexldp r0, t0, s0\ntexldb r1, r0.xyz, s1\nmov oC0, r1.yx",
       {0xFFFF0200, 0x03010042, 0x800F0000, 0xB0E40000, 0xA0E40800, 0x03020042, 0x800F0001,
        0x80A40000, 0xA0E40801, 0x02000001, 0x800F0800, 0x80010001, 0x0000FFFF}},
      {"ps_1_1\ntex t0\ntex t1\nmov r0.rgb, t0\n+mov r0.a, t1.a",
       {0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000042, 0xB00F0001, 0x00000001, 0x80070000,
        0xB0E40000, 0x40000001, 0x80080000, 0xB0FF0001, 0x0000FFFF}},
  };
  for (const auto& [text, words] : rows)
    EXPECT_EQ(Assembled(text), std::pair(words, std::string()));
}

TEST(ShaderAsm, RefusesWhatItDoesNotKnowWithTheLine) {
  ExpectRefusals([](const std::string& text) { return Assembled(text).second; },
                 {{"vs_1_1\n\nfoo r0, r1", "line 3: unknown instruction 'foo'"},
                  {"; only a comment", "line 1: no version line"},
                  {"ps_2_0\nmov r0, q1", "line 2: bad source 'q1'"},
                  {"ps_2_0\nmov r0.yx, r1", "line 2: bad destination 'r0.yx'"},
                  {"ps_2_0\nadd r0, r1", "line 2: add takes 3 operands"},
                  {"vs_2_0\nmul_x2 r0, r1, r2", "line 2: shift and co-issue exist only in ps_1_1"},
                  {"ps_1_1\ndef c0, 1, two, 0, 0", "line 2: bad number 'two'"},
                  {"vs_1_1\ndcl_colour v0", "line 2: unknown declaration 'dcl_colour'"},
                  {"vs_1_1\nmov oC0, r0", "line 2: bad destination 'oc0'"}});
}

// Rows parse, and refer to programs of their stage; bad rows are refused with their line.
TEST(ShaderTableText, ParsesRowsAndRefusesBadOnes) {
  std::vector<ShaderTableRow> rows;
  std::string source, error;
  ASSERT_TRUE(ParseShaderTable("# comment\n\n4 VA 3 PA 0\n3 VA 2 PB 0 # end\n", rows, error));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::make_tuple(rows[0].mode, rows[0].vertexFifth, rows[1].pixel),
            std::make_tuple(4u, 3u, std::string("PB")));
  const std::vector<NamedProgram> programs = {
      {"VA", {0xFFFE0101, 0xFFFF}}, {"PA", {0xFFFF0101, 0xFFFF}}, {"PB", {0xFFFF0101, 0xFFFF}}};
  ASSERT_TRUE(EmitShaderTableSource(rows, programs, source, error)) << error;
  rows[1].vertex = "PA";
  EXPECT_FALSE(EmitShaderTableSource(rows, programs, source, error));
  EXPECT_EQ(error, "shader 'PA' is not a vertex program");
  for (const char* bad :
       {"15 V1 0 P1 0", "1 V1 0 P1", "1 V1 0 P1 0 9", "1 V1 0 P1 0\n1 V1 0 P2 0"}) {
    EXPECT_FALSE(ParseShaderTable(bad, rows, error)) << bad;
    EXPECT_EQ(error.rfind("line ", 0), 0u);
  }
}

}  // namespace
