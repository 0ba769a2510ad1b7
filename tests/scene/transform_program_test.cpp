// Transform byte code: operand decoding and swizzles, the per-component and whole-vector
// operations, matrix operations, and how a run ends on bad or cut-off code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "platform/crt.h"
#include "scene/transform_program.h"

namespace {

// Byte-code builder: opcodes and operands in stream order.
struct Code {
  std::vector<uint8_t> bytes;
  Code& Put(std::initializer_list<uint8_t> b) {
    bytes.insert(bytes.end(), b);
    return *this;
  }
  Code& Op(uint8_t op, bool scalar = false) { return Put({uint8_t(op | (scalar ? 0x80 : 0))}); }
  Code& R(uint8_t index) { return Put({uint8_t(0x80 | index)}); }
  Code& Rs(uint8_t index, uint8_t swizzle = 0xE4) { return Put({uint8_t(0xA0 | index), swizzle}); }
  Code& C(uint8_t index) { return Put({uint8_t(0xC0 | index)}); }
  Code& Imm(float value) {
    uint8_t raw[4];
    std::memcpy(raw, &value, 4);
    return Put({0x40, raw[0], raw[1], raw[2], raw[3]});
  }
  Code& None() { return Put({0x00}); }
};

// Equal within float rounding of the expected value; NaN matches NaN.
bool Same(float actual, float expected) {
  if (std::isnan(expected)) return std::isnan(actual);
  return std::fabs(actual - expected) <= 1e-6f * std::max(1.0f, std::fabs(expected));
}

class TransformProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program = TransformProgramCreate();
    context = TransformContextCreate(program);
    MatrixInit(target);
  }
  void TearDown() override {
    TransformContextCleanup(*context);
    crt::AlignedDelete(context);
    TransformProgramDestroy(program);
  }
  void Run(const Code& code) {
    TransformProgramAssign(*program, code.bytes.data(), static_cast<uint32_t>(code.bytes.size()));
    TransformProgramRun(*program, *context, target);
  }
  Vec4& r(int i) { return context->r[i]; }
  TransformProgram* program;
  TransformContext* context;
  Matrix target;
};

// Each row sets r0..rN, runs its code and checks one register (r, or c when `bank` is 'c').
// Operand registers without a swizzle byte read component i from element 3 - i (0x1B), so a
// straight copy stays straight and a scalar write lands on w. Scalar operations on x with an
// immediate: min and max take the source on NaN and on equality. The set operations compare
// y with x into z. Cross, normalize and dot ignore immediates and keep w (dot fills all four);
// a zero vector stays unnormalized. Source type 0 leaves the destination; destination type 0
// reads no source, so the next instruction still decodes.
TEST_F(TransformProgramTest, OperationsAndOperandDecoding) {
  const float nan = std::nanf("");
  const Vec4 v1234{1, 2, 3, 4};
  struct Row {
    std::vector<Vec4> r;
    Code code;
    char bank;
    int index;
    Vec4 expected;
  };
  std::vector<Row> rows = {
      {{}, Code().Op(15, true).Rs(0).Imm(5), 'r', 0, {5, 0, 0, 0}},
      {{}, Code().Op(15, true).R(1).Imm(7), 'r', 1, {0, 0, 0, 7}},
      {{}, Code().Op(15).R(2).Imm(2), 'r', 2, {2, 2, 2, 2}},
      {{{}, {}, {}, v1234}, Code().Op(15).R(4).R(3), 'r', 4, v1234},
      {{{}, {}, {}, v1234}, Code().Op(15).Rs(5).Rs(3, 0x1B), 'r', 5, {4, 3, 2, 1}},
      {{{}, {}, {}, v1234}, Code().Op(15).C(40).Rs(3), 'c', 40, v1234},
      {{{}, {}, {}, v1234}, Code().Op(15).Rs(6).Rs(3, 0x55), 'r', 6, {2, 2, 2, 2}},
      {{{1, 0, 0, 7}, {0, 1, 0, 9}}, Code().Op(12).R(0).R(1), 'r', 0, {0, 0, 1, 7}},
      {{{3, 0, 4, 5}}, Code().Op(13).R(0).None(), 'r', 0, {0.6f, 0, 0.8f, 5}},
      {{{0, 0, 0, 2}}, Code().Op(13).R(0).None(), 'r', 0, {0, 0, 0, 2}},
      {{{1, 2, 3, 100}, {4, 5, 6, 100}}, Code().Op(14).R(0).R(1), 'r', 0, {32, 32, 32, 32}},
      {{v1234}, Code().Op(12).R(0).Imm(1).Op(14).R(0).Imm(1), 'r', 0, v1234},
      {{v1234}, Code().Op(0).R(0).None().Op(0).None().Op(15, true).Rs(1).Imm(9), 'r', 0, v1234},
      {{}, Code().Op(0).None().Op(15, true).Rs(1).Imm(9), 'r', 1, {9, 0, 0, 0}}};
  auto add = [&rows](Vec4 r0, const Code& code, Vec4 expected) {
    rows.push_back({{r0}, code, 'r', 0, expected});
  };
  const float sin4 = std::sin(4.0f), cos4 = std::cos(4.0f), tan4 = std::tan(4.0f);
  const struct {
    uint8_t op;
    float d, s, expected;
  } scalars[] = {{0, 6, 4, 10},   {1, 6, 4, 2},    {2, 6, 4, 24},    {3, 6, 4, 1.5f},
                 {4, 6, 4, 1296}, {5, 6, 4, 2},    {6, 6, 4, 4},     {7, 6, 4, 6},
                 {8, 6, 4, sin4}, {9, 6, 4, cos4}, {10, 6, 4, tan4}, {11, 6, 4, 2},
                 {15, 6, 4, 4},   {6, nan, 3, 3},  {7, 2, nan, nan}, {6, 2, 2, 2}};
  for (const auto& c : scalars)
    add({c.d, c.d, c.d, c.d}, Code().Op(c.op, true).Rs(0).Imm(c.s), {c.expected, c.d, c.d, c.d});
  const struct {
    uint8_t op;
    float x, y, z;
  } sets[] = {{17, 2, 2, 1}, {17, 2, 3, 0}, {18, 2, 3, 1},  {18, 3, 2, 0},
              {19, 3, 2, 1}, {19, 2, 3, 0}, {18, nan, 1, 0}};
  for (const auto& c : sets) add({c.x, c.y, 5, 6}, Code().Op(c.op).R(0).None(), {c.x, c.y, c.z, 6});
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &row - rows.data());
    for (Vec4& reg : context->r) reg = Vec4{0, 0, 0, 0};
    for (size_t i = 0; i < row.r.size(); ++i) r(static_cast<int>(i)) = row.r[i];
    Run(row.code);
    const Vec4& got = row.bank == 'c' ? context->c[row.index] : r(row.index);
    EXPECT_TRUE(Same(got.x, row.expected.x) && Same(got.y, row.expected.y) &&
                Same(got.z, row.expected.z) && Same(got.w, row.expected.w))
        << got.x << " " << got.y << " " << got.z << " " << got.w;
  }
}

// Assigning copies the caller's bytes. Translate, rotate and scale move the target in stream
// order; an immediate destination (which is written nowhere) leaves it.
TEST_F(TransformProgramTest, MatrixOperationsMoveTheTargetInOrder) {
  uint8_t bytes[3] = {1, 2, 3};
  TransformProgramAssign(*program, bytes, 3);
  bytes[0] = 9;
  EXPECT_EQ(program->code[0], 1);
  r(0) = Vec4{1, 2, 3, 0};
  r(1) = Vec4{0, 90, 0, 0};
  r(2) = Vec4{2, 2, 2, 0};
  Run(Code().Op(20).R(0).None().Op(21).R(1).None().Op(22).R(2).None().Op(20).Imm(5).None());
  Matrix expected;
  MatrixInit(expected);
  MatrixTranslate(expected, 1, 2, 3);
  MatrixRotateXYZ(expected, 0, 90, 0);
  MatrixScale(expected, 2, 2, 2);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(target.m[i], expected.m[i]) << i;
}

// An unknown opcode, an immediate cut after two of its four bytes or a swizzle byte missing
// at the end stop the run: the translate before it moved the context's matrix but never the
// target, and nothing is read past the code.
TEST_F(TransformProgramTest, UnknownOpcodeOrCutInstructionLeavesTargetAsBefore) {
  const Code translate = Code().Op(20).R(0).None();
  for (const Code& tail : {Code().Op(23), Code().Op(15).R(1).Put({0x40, 0x00, 0x00}),
                           Code().Op(13).Put({0x80 | 0x20})}) {
    r(0) = Vec4{1, 2, 3, 0};
    r(1) = Vec4{0, 0, 0, 0};
    Code code = translate;
    code.bytes.insert(code.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    Run(code);
    EXPECT_EQ(target.m[12], 0.0f) << int(tail.bytes[0]);
    EXPECT_EQ(r(1).w, 0.0f);
  }
  EXPECT_EQ(context->matrix.m[12], 1.0f);
}

// rand draws once per component in order (scaled by the source over 32767); without a
// source it draws nothing.
TEST_F(TransformProgramTest, RandDrawsOncePerComponentInOrder) {
  crt::srand(7);
  float expected[4];
  for (float& e : expected) e = static_cast<float>(crt::rand()) * 3.0518509e-05f * 2.0f;
  crt::srand(7);
  Run(Code().Op(16).Rs(0).Imm(2.0f));
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ((&r(0).x)[i], expected[i]) << i;
  const uint32_t state = crt::RandState();
  Run(Code().Op(16, true).Rs(0).None());
  EXPECT_EQ(crt::RandState(), state);
}

// c0 is the time, c1 the step since the last time (never negative), inputs 0..31 sit in
// c2..c33 (others are dropped); registers keep their values from run to run.
TEST_F(TransformProgramTest, ContextTimeInputsAndPersistence) {
  for (auto [time, step] : {std::pair{2.0f, 2.0f}, {2.5f, 0.5f}, {1.0f, 0.0f}}) {
    TransformContextSetTime(*context, time);
    EXPECT_TRUE(context->c[0].w == time && context->c[1].x == step) << time;
  }
  TransformContextSetInput(*context, 12, 0.75f);
  EXPECT_EQ(context->c[14].y, 0.75f);
  EXPECT_EQ(TransformContextGetInput(*context, 12), 0.75f);
  TransformContextSetInput(*context, 32, 1.0f);
  EXPECT_EQ(TransformContextGetInput(*context, 32), 0.0f);
  EXPECT_EQ(context->c[34].x, 0.0f);
  const Code add = Code().Op(0, true).Rs(0).Imm(1.5f);
  Run(add);
  Run(add);
  EXPECT_EQ(r(0).x, 3.0f);
}

}  // namespace
