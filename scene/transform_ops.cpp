// The 23 operations of the transform byte code and the interpreter loop.
#include <cmath>

#include "platform/crt.h"
#include "scene/transform_program.h"

namespace {

enum Opcode : uint8_t {
  kAdd,
  kSub,
  kMul,
  kDiv,
  kPow,
  kFmod,
  kMin,
  kMax,
  kSin,
  kCos,
  kTan,
  kSqrt,
  kCross,
  kNormalize,
  kDot,
  kMov,
  kRand,
  kSetEq,
  kSetGt,
  kSetLt,
  kTranslate,
  kRotate,
  kScale,
};

constexpr float kRandScale = 3.0518509e-05f;  // 1 / 32767

// d op s for the per-component opcodes 0..11, 15 and 16.
float ComponentResult(uint8_t op, float d, float s) {
  switch (op) {
    case kAdd: return d + s;
    case kSub: return d - s;
    case kMul: return d * s;
    case kDiv: return d / s;
    case kPow: return std::pow(d, s);
    case kFmod: return std::fmod(d, s);
    case kMin: return d < s ? d : s;  // s when s <= d or either is NaN
    case kMax: return s < d ? d : s;  // s when either is NaN
    case kSin: return std::sin(s);
    case kCos: return std::cos(s);
    case kTan: return std::tan(s);
    case kSqrt: return std::sqrt(s);
    case kRand: return static_cast<float>(crt::rand()) * kRandScale * s;
    default: return s;  // kMov
  }
}

void RunComponents(uint8_t op, TransformContext& context, TransformOperand& dst,
                   TransformOperand& src, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    float* d = TransformOperandComponent(context, dst, i);
    float* s = TransformOperandComponent(context, src, i);
    if (!d || !s) return;
    *d = ComponentResult(op, *d, *s);
  }
}

// 1.0 when the comparison holds (false for NaN), else 0.0.
float Compare(uint8_t op, float y, float x) {
  bool holds = op == kSetEq ? y == x : op == kSetGt ? y > x : y < x;
  return holds ? 1.0f : 0.0f;
}

void RunVector(uint8_t op, TransformContext& context, const TransformOperand& dst,
               const TransformOperand& src) {
  Vec4* d = TransformOperandVector(context, dst);
  if (!d) return;
  Vec4* s = TransformOperandVector(context, src);
  Vec3 a{d->x, d->y, d->z};
  switch (op) {
    case kCross:
    case kDot: {
      if (!s) return;
      Vec3 b{s->x, s->y, s->z};
      if (op == kDot) {
        float dot = Vec3Dot(a, b);
        *d = Vec4{dot, dot, dot, dot};
        return;
      }
      Vec3Cross(a, a, b);
      *d = Vec4{a.x, a.y, a.z, d->w};  // w keeps its value
      return;
    }
    case kNormalize:
      Vec3Normalize(a);  // a zero vector stays zero
      *d = Vec4{a.x, a.y, a.z, d->w};
      return;
    case kSetEq:
    case kSetGt:
    case kSetLt: d->z = Compare(op, d->y, d->x); return;
    case kTranslate: MatrixTranslate(context.matrix, d->x, d->y, d->z); return;
    case kRotate: MatrixRotateXYZ(context.matrix, d->x, d->y, d->z); return;
    default:  // kScale
      MatrixScale(context.matrix, d->x, d->y, d->z);
      return;
  }
}

bool IsVectorOp(uint8_t op) {
  return op == kCross || op == kNormalize || op == kDot || op >= kSetEq;
}

}  // namespace

void TransformProgramRun(const TransformProgram& program, TransformContext& context,
                         Matrix& target) {
  if (program.length == 0) return;
  context.matrix = target;
  TransformCursor cursor{program.code, program.code + program.length, 0};
  while (cursor.at < cursor.end) {
    uint8_t opcode = *cursor.at++;
    uint8_t op = opcode & 0x7F;
    if (op >= kTransformOpCount) return;
    TransformOperand dst, src{};
    bool hasDst = TransformOperandDecode(cursor, dst);
    if (hasDst) TransformOperandDecode(cursor, src);
    if (cursor.truncated) return;  // an instruction cut off by the end acts as an unknown one
    if (!hasDst) continue;
    if (IsVectorOp(op)) {
      RunVector(op, context, dst, src);
    } else {
      RunComponents(op, context, dst, src, (opcode & 0x80) ? 1 : 4);
    }
  }
  target = context.matrix;
}
