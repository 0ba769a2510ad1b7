// The shader assembler against decoded reference streams, its modifiers and its refusals,
// and the shader table text and generated source.

#include <gtest/gtest.h>

#include <tuple>

#include "refusals.h"
#include "tools/shaderasm/shader_asm.h"
#include "tools/shaderasm/shader_table_emit.h"

namespace {

std::vector<uint32_t> Assemble(const char* text) {
  std::vector<uint32_t> tokens;
  std::string error;
  EXPECT_TRUE(AssembleShader(text, tokens, error)) << error;
  return tokens;
}

using Words = std::vector<uint32_t>;

TEST(ShaderAsm, MatchesDecodedReferenceStreams) {
  EXPECT_EQ(Assemble("ps_2_0\ndcl t0.xy\ndcl_2d s0\ntexld r0, t0, s0\nmov oC0, r0\n"),
            (Words{0xFFFF0200, 0x0200001F, 0x80000000, 0xB0030000, 0x0200001F, 0x90000000,
                   0xA00F0800, 0x03000042, 0x800F0000, 0xB0E40000, 0xA0E40800, 0x02000001,
                   0x800F0800, 0x80E40000, 0x0000FFFF}));
  EXPECT_EQ(Assemble("ps_1_1\ndef c0, 0, 1, 0, 1\nmov r0, c0"),
            (Words{0xFFFF0101, 0x00000051, 0xA00F0000, 0x00000000, 0x3F800000, 0x00000000,
                   0x3F800000, 0x00000001, 0x800F0000, 0xA0E40000, 0x0000FFFF}));
  EXPECT_EQ(Assemble("vs_1_1\n dcl_position v0 ; comment\n"
                     "dp4 oPos.x, v0, c11\ndp4 oPos.y, v0, c11\ndp4 oPos.z, v0, c11\n"
                     "dp4 oPos.w, v0, c11 // another\nmov oD0, c8\n"),
            (Words{0xFFFE0101, 0x0000001F, 0x80000000, 0x900F0000, 0x00000009, 0xC0010000,
                   0x90E40000, 0xA0E4000B, 0x00000009, 0xC0020000, 0x90E40000, 0xA0E4000B,
                   0x00000009, 0xC0040000, 0x90E40000, 0xA0E4000B, 0x00000009, 0xC0080000,
                   0x90E40000, 0xA0E4000B, 0x00000001, 0xD00F0000, 0xA0E40008, 0x0000FFFF}));
  EXPECT_EQ(Assemble("vs_1_1\ndcl_texcoord v1\nmov oT0, v1\nmov oPos, v1"),
            (Words{0xFFFE0101, 0x0000001F, 0x80000005, 0x900F0001, 0x00000001, 0xE00F0000,
                   0x90E40001, 0x00000001, 0xC00F0000, 0x90E40001, 0x0000FFFF}));
  EXPECT_EQ(Assemble("ps_1_1\ntex t0\ntex t1\nmov r0.rgb, t0\n+mov r0.a, t1.a"),
            (Words{0xFFFF0101, 0x00000042, 0xB00F0000, 0x00000042, 0xB00F0001, 0x00000001,
                   0x80070000, 0xB0E40000, 0x40000001, 0x80080000, 0xB0FF0001, 0x0000FFFF}));
}

TEST(ShaderAsm, EncodesModifiersSwizzlesAndDeclarations) {
  // _sat and a _x2 shift on the destination; negate, _bias, _bx2 and complement sources.
  Words t = Assemble("ps_1_1\nmad_sat_x2 r0, -t0_bx2, 1-c1, -r1_bias\nmul_d4 r1.xy, v0_bias, c0.y");
  ASSERT_EQ(t.size(), 11u);
  EXPECT_EQ(t[1], 0x00000004u);
  EXPECT_EQ(t[2], 0x811F0000u);  // saturate 1 << 20, shift 1 << 24
  EXPECT_EQ(t[3], 0xB5E40000u);  // -_bx2 = 5
  EXPECT_EQ(t[4], 0xA6E40001u);  // 1-x = 6
  EXPECT_EQ(t[5], 0x83E40001u);  // -_bias = 3
  EXPECT_EQ(t[7], 0x8E030001u);  // d4 = 0xE, mask xy
  EXPECT_EQ(t[8], 0x92E40000u);  // _bias = 2
  EXPECT_EQ(t[9], 0xA0550000u);  // .y replicated
  // Short swizzles repeat their last letter; texldp sets the project control; dcl forms.
  t = Assemble(
      "ps_2_0\ndcl t2\ndcl_volume s2\ndcl_cube s3\ntexldp r0, t2.xy, s2\n"
      "texld_pp r1, t2.zw, s3\nmov oC0, -r0.bgra");
  EXPECT_EQ(t[5], 0xA0000000u);   // volume sampler
  EXPECT_EQ(t[8], 0x98000000u);   // cube sampler
  EXPECT_EQ(t[10], 0x03010042u);  // texldp: controls 1, length 3
  EXPECT_EQ(t[12], 0xB0540002u);  // .xy -> .xyyy
  EXPECT_EQ(t[15], 0x802F0001u);  // _pp = 2 << 20
  EXPECT_EQ(t[16], 0xB0FE0002u);  // .zw -> .zwww
  EXPECT_EQ(t[20], 0x81C60000u);  // negate, .bgra = z y x w
  t = Assemble("vs_2_0\ndcl_texcoord1 v3\ndcl_positiont v4\nmov oPos, v3");
  EXPECT_EQ(t[2], 0x80010005u);
  EXPECT_EQ(t[5], 0x80000009u);
  EXPECT_EQ(t[7], 0x02000001u);  // vs_2_0 instructions carry their length
}

TEST(ShaderAsm, RefusesWhatItDoesNotKnowWithTheLine) {
  ExpectRefusals(
      [](const std::string& text) {
        std::vector<uint32_t> tokens;
        std::string error;
        return AssembleShader(text, tokens, error) ? "" : error;
      },
      {{"vs_1_1\n\nfoo r0, r1", "line 3: unknown instruction 'foo'"},
       {"; nothing\nvs_9_9", "line 2: expected a version, not 'vs_9_9'"},
       {"; only a comment", "line 1: no version line"},
       {"ps_1_1\ndp4 r0, t0, t1", "line 2: unknown instruction 'dp4'"},
       {"ps_2_0\nmov r0, q1", "line 2: bad source 'q1'"},
       {"ps_2_0\nmov r0.yx, r1", "line 2: bad destination 'r0.yx'"},
       {"ps_2_0\nmov r0, r1.xyzwx", "line 2: bad source 'r1.xyzwx'"},
       {"ps_2_0\nadd r0, r1", "line 2: add takes 3 operands"},
       {"vs_2_0\nmul_x2 r0, r1, r2", "line 2: shift and co-issue exist only in ps_1_1"},
       {"ps_1_1\nmov_foo r0, r1", "line 2: unknown instruction 'mov_foo'"},
       {"ps_1_1\nmov r0, -1-t0", "line 2: bad source '-1-t0'"},
       {"ps_1_1\ndef c0, 1, two, 0, 0", "line 2: bad number 'two'"},
       {"vs_1_1\ndcl_colour v0", "line 2: unknown declaration 'dcl_colour'"},
       {"ps_2_0\ndcl_3d s0", "line 2: unknown declaration 'dcl_3d'"},
       {"vs_1_1\nmov oC0, r0", "line 2: bad destination 'oc0'"}});
}

TEST(ShaderTableText, ParsesRowsAndRefusesBadOnesWithTheLine) {
  std::vector<ShaderTableRow> rows;
  std::string error;
  ASSERT_TRUE(ParseShaderTable("# comment\n\n4 V4 3 P5 0\n3 V4 3 P6 0 # end\n", rows, error));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(std::make_tuple(rows[0].mode, rows[0].vertexFifth, rows[1].pixel),
            std::make_tuple(4u, 3u, std::string("P6")));
  for (const char* bad :
       {"15 V1 0 P1 0", "1 V1 0 P1", "1 V1 0 P1 0 9", "1 V1 0 P1 0\n1 V1 0 P2 0"}) {
    EXPECT_FALSE(ParseShaderTable(bad, rows, error)) << bad;
    EXPECT_EQ(error.rfind("line ", 0), 0u);
  }
}

// A row naming a program of the wrong stage or no program at all is refused.
TEST(ShaderTableText, EmitChecksStages) {
  std::vector<NamedProgram> programs = {{"VA", {0xFFFE0101, 0xFFFF}}, {"PA", {0xFFFF0101, 0xFFFF}}};
  std::vector<ShaderTableRow> rows = {{0, "VA", "PA", 2, 0}, {1, "VA", "PA", 3, 0}};
  std::string source, error;
  ASSERT_TRUE(EmitShaderTableSource(rows, programs, source, error)) << error;
  rows[1].vertex = "PA";
  EXPECT_FALSE(EmitShaderTableSource(rows, programs, source, error));
  EXPECT_EQ(error, "shader 'PA' is not a vertex program");
  rows[1].vertex = "VB";
  EXPECT_FALSE(EmitShaderTableSource(rows, programs, source, error));
}

}  // namespace
