// Transform byte code: operand decoding and swizzles, the per-component and whole-vector
// operations, matrix operations, and how a run ends on bad or cut-off code.
#include <gtest/gtest.h>

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
  Code& RSwizzle(uint8_t index, uint8_t swizzle) { return Put({uint8_t(0xA0 | index), swizzle}); }
  Code& C(uint8_t index) { return Put({uint8_t(0xC0 | index)}); }
  Code& Imm(float value) {
    uint8_t raw[4];
    std::memcpy(raw, &value, 4);
    return Put({0x40, raw[0], raw[1], raw[2], raw[3]});
  }
  Code& None() { return Put({0x00}); }
};

constexpr uint8_t kSwizzleXyzw = 0xE4;

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

void ExpectVec(const Vec4& v, float x, float y, float z, float w) {
  EXPECT_FLOAT_EQ(v.x, x);
  EXPECT_FLOAT_EQ(v.y, y);
  EXPECT_FLOAT_EQ(v.z, z);
  EXPECT_FLOAT_EQ(v.w, w);
}

// The empty program leaves the target untouched; assigning copies the caller's bytes.
TEST_F(TransformProgramTest, EmptyProgramDoesNothingAndAssignCopiesTheBytes) {
  target.m[5] = 42.0f;
  TransformProgramRun(*program, *context, target);
  EXPECT_EQ(target.m[5], 42.0f);
  uint8_t bytes[3] = {1, 2, 3};
  TransformProgramAssign(*program, bytes, 3);
  bytes[0] = 9;
  EXPECT_EQ(program->length, 3u);
  EXPECT_EQ(program->code[0], 1);
}

TEST_F(TransformProgramTest, ScalarWritesElementSelectedBySwizzleOrWWithoutOne) {
  // mov.s r0 (swizzle xyzw), 5 changes only x.
  Run(Code().Op(15, true).RSwizzle(0, kSwizzleXyzw).Imm(5.0f));
  ExpectVec(r(0), 5, 0, 0, 0);
  // mov.s r1 (no swizzle byte: 0x1B, component 0 reads w) changes only w.
  Run(Code().Op(15, true).R(1).Imm(7.0f));
  ExpectVec(r(1), 0, 0, 0, 7);
  // Without scalar flag and without swizzle all four are written (reversed order is invisible
  // with an immediate); with swizzle 0x00 every component lands on x.
  Run(Code().Op(15).R(2).Imm(2.0f));
  ExpectVec(r(2), 2, 2, 2, 2);
}

TEST_F(TransformProgramTest, SourceSwizzleAndCRegistersReadTheirElements) {
  r(3) = Vec4{1, 2, 3, 4};
  // mov r4, r3 with default swizzle on both sides: component i of r4 (element 3-i) gets
  // element 3-i of r3, so the copy is straight.
  Run(Code().Op(15).R(4).R(3));
  ExpectVec(r(4), 1, 2, 3, 4);
  // mov r5 (xyzw), r3 (wzyx) reverses.
  Run(Code().Op(15).RSwizzle(5, kSwizzleXyzw).RSwizzle(3, 0x1B));
  ExpectVec(r(5), 4, 3, 2, 1);
  // c registers have no swizzle: mov c40, r3 (xyzw) copies, 0x55 broadcasts y.
  Run(Code()
          .Op(15)
          .C(40)
          .RSwizzle(3, kSwizzleXyzw)
          .Op(15)
          .RSwizzle(6, kSwizzleXyzw)
          .RSwizzle(3, 0x55));
  ExpectVec(context->c[40], 1, 2, 3, 4);
  ExpectVec(r(6), 2, 2, 2, 2);
}

// Scalar operations on r0.x with an immediate source; min and max take the source on NaN
// (and on equality).
TEST_F(TransformProgramTest, ArithmeticOperations) {
  const float nan = std::nanf("");
  const struct {
    uint8_t op;
    float d, s, expected;
  } cases[] = {{0, 6, 4, 10},
               {1, 6, 4, 2},
               {2, 6, 4, 24},
               {3, 6, 4, 1.5f},
               {4, 6, 4, 1296},
               {5, 6, 4, 2},
               {6, 6, 4, 4},
               {7, 6, 4, 6},
               {8, 6, 4, std::sin(4.0f)},
               {9, 6, 4, std::cos(4.0f)},
               {10, 6, 4, std::tan(4.0f)},
               {11, 6, 4, 2},
               {15, 6, 4, 4},
               {6, nan, 3, 3},
               {7, 2, nan, nan},
               {6, 2, 2, 2}};
  for (const auto& c : cases) {
    r(0) = Vec4{c.d, c.d, c.d, c.d};
    Run(Code().Op(c.op, true).RSwizzle(0, kSwizzleXyzw).Imm(c.s));
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(r(0).x)) << "opcode " << int(c.op);
    } else {
      EXPECT_FLOAT_EQ(r(0).x, c.expected) << "opcode " << int(c.op) << " of " << c.d;
    }
    EXPECT_TRUE(r(0).y == c.d || std::isnan(c.d)) << "scalar flag wrote past x, " << int(c.op);
  }
}

TEST_F(TransformProgramTest, AbsentOperandsAndImmediateDestinations) {
  r(0) = Vec4{1, 2, 3, 4};
  // Source type 0: destination unchanged. Destination type 0: no source in the stream, the
  // following instruction still decodes.
  Run(Code().Op(0).R(0).None().Op(0).None().Op(15, true).RSwizzle(1, kSwizzleXyzw).Imm(9.0f));
  ExpectVec(r(0), 1, 2, 3, 4);
  EXPECT_EQ(r(1).x, 9.0f);
  // Writing to an immediate goes nowhere; reading the immediate again sees the stored value.
  Run(Code().Op(0).Imm(1.0f).Imm(5.0f));
  Matrix identity;
  MatrixInit(identity);
  EXPECT_EQ(std::memcmp(&target, &identity, sizeof(Matrix)), 0);
}

TEST_F(TransformProgramTest, VectorOperations) {
  r(0) = Vec4{1, 0, 0, 7};
  r(1) = Vec4{0, 1, 0, 9};
  Run(Code().Op(12).R(0).R(1));  // cross: (0, 0, 1), w kept
  ExpectVec(r(0), 0, 0, 1, 7);
  r(2) = Vec4{3, 0, 4, 5};
  Run(Code().Op(13).R(2).None());
  ExpectVec(r(2), 0.6f, 0, 0.8f, 5);
  r(3) = Vec4{0, 0, 0, 2};  // zero vector: unchanged, not NaN
  Run(Code().Op(13).R(3).None());
  ExpectVec(r(3), 0, 0, 0, 2);
  r(4) = Vec4{1, 2, 3, 100};
  r(5) = Vec4{4, 5, 6, 100};
  Run(Code().Op(14).R(4).R(5));  // dot ignores w, fills all four
  ExpectVec(r(4), 32, 32, 32, 32);
  // Immediate operands give whole-vector operations no vector.
  r(6) = Vec4{1, 2, 3, 4};
  Run(Code().Op(12).R(6).Imm(1.0f).Op(14).R(6).Imm(1.0f));
  ExpectVec(r(6), 1, 2, 3, 4);
}

TEST_F(TransformProgramTest, SetOperationsCompareYWithXIntoZ) {
  const struct {
    uint8_t op;
    float x, y, z;
  } cases[] = {{17, 2, 2, 1},
               {17, 2, 3, 0},
               {18, 2, 3, 1},
               {18, 3, 2, 0},
               {19, 3, 2, 1},
               {19, 2, 3, 0},
               {18, std::nanf(""), 1, 0}};
  for (const auto& c : cases) {
    r(0) = Vec4{c.x, c.y, 5, 6};
    Run(Code().Op(c.op).R(0).None());
    EXPECT_EQ(r(0).z, c.z) << int(c.op) << " " << c.x << " " << c.y;
    EXPECT_EQ(r(0).w, 6.0f);
  }
}

TEST_F(TransformProgramTest, MatrixOperationsMoveTheTargetInOrder) {
  r(0) = Vec4{1, 2, 3, 0};
  r(1) = Vec4{2, 2, 2, 0};
  Run(Code().Op(20).R(0).None().Op(22).R(1).None());
  Matrix expected;
  MatrixInit(expected);
  MatrixTranslate(expected, 1, 2, 3);
  MatrixScale(expected, 2, 2, 2);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(target.m[i], expected.m[i]) << i;
  r(2) = Vec4{0, 90, 0, 0};
  MatrixInit(target);
  Run(Code().Op(21).R(2).None());
  MatrixInit(expected);
  MatrixRotateXYZ(expected, 0, 90, 0);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(target.m[i], expected.m[i]) << i;
  // An immediate destination leaves the matrix alone.
  MatrixInit(target);
  Run(Code().Op(20).Imm(5.0f).None());
  EXPECT_EQ(target.m[12], 0.0f);
}

TEST_F(TransformProgramTest, UnknownOpcodeOrCutInstructionLeavesTargetAsBefore) {
  r(0) = Vec4{1, 2, 3, 0};
  Run(Code().Op(20).R(0).None().Op(23));
  EXPECT_EQ(target.m[12], 0.0f);
  // The translate ran in the context's matrix but never reached the target.
  EXPECT_EQ(context->matrix.m[12], 1.0f);
  // An immediate cut after two of its four bytes: the run ends without reading past the code.
  Code cut = Code().Op(20).R(0).None().Op(15).R(1).Put({0x40, 0x00, 0x00});
  r(1) = Vec4{0, 0, 0, 0};
  Run(cut);
  EXPECT_EQ(target.m[12], 0.0f);
  EXPECT_EQ(r(1).w, 0.0f);
  // A swizzle byte missing at the very end.
  Run(Code().Op(20).R(0).None().Op(13).Put({0x80 | 0x20}));
  EXPECT_EQ(target.m[12], 0.0f);
}

TEST_F(TransformProgramTest, RandDrawsOncePerComponentInOrder) {
  crt::srand(7);
  float expected[4];
  for (float& e : expected) e = static_cast<float>(crt::rand()) * 3.0518509e-05f * 2.0f;
  crt::srand(7);
  Run(Code().Op(16).RSwizzle(0, kSwizzleXyzw).Imm(2.0f));
  ExpectVec(r(0), expected[0], expected[1], expected[2], expected[3]);
  uint32_t state = crt::RandState();
  Run(Code().Op(16, true).RSwizzle(0, kSwizzleXyzw).None());  // no source: no draw
  EXPECT_EQ(crt::RandState(), state);
}

TEST_F(TransformProgramTest, ContextTimeInputsAndPersistence) {
  TransformContextSetTime(*context, 2.0f);
  ExpectVec(context->c[1], 2, 2, 2, 2);
  TransformContextSetTime(*context, 2.5f);
  ExpectVec(context->c[1], 0.5f, 0.5f, 0.5f, 0.5f);
  ExpectVec(context->c[0], 2.5f, 2.5f, 2.5f, 2.5f);
  TransformContextSetTime(*context, 1.0f);  // jump back: no negative step
  ExpectVec(context->c[1], 0, 0, 0, 0);

  TransformContextSetInput(*context, 12, 0.75f);
  ExpectVec(context->c[14], 0.75f, 0.75f, 0.75f, 0.75f);
  EXPECT_EQ(TransformContextGetInput(*context, 12), 0.75f);
  TransformContextSetInput(*context, 32, 1.0f);
  EXPECT_EQ(TransformContextGetInput(*context, 32), 0.0f);
  EXPECT_EQ(context->c[34].x, 0.0f);

  // Registers keep their values from run to run: an accumulator.
  Code add = Code().Op(0, true).RSwizzle(0, kSwizzleXyzw).Imm(1.5f);
  Run(add);
  Run(add);
  EXPECT_EQ(r(0).x, 3.0f);
}

}  // namespace
