#include "scene/transform_program.h"

#include <cmath>
#include <cstring>

#include "platform/crt.h"

namespace {

constexpr uint32_t kNewProgramBytes = 100;
constexpr uint8_t kDefaultSwizzle = 0x1B;  // component i reads element 3 - i

// Element i & 3 of v: 0 x, 1 y, 2 z, 3 w.
float& Element(Vec4& v, uint32_t i) {
  switch (i & 3) {
    case 0: return v.x;
    case 1: return v.y;
    case 2: return v.z;
    default: return v.w;
  }
}

void SetAll(Vec4& v, float value) { v = Vec4{value, value, value, value}; }

}  // namespace

TransformProgram* TransformProgramCreate() {
  TransformProgram* program = crt::AlignedNew<TransformProgram>();
  program->code = crt::AlignedNewArray<uint8_t>(kNewProgramBytes);
  program->capacity = kNewProgramBytes;
  return program;
}

void TransformProgramAssign(TransformProgram& program, const uint8_t* bytes, uint32_t n) {
  if (n == 0) return;
  crt::AlignedDeleteArray(program.code, program.capacity);
  program.code = crt::AlignedNewArray<uint8_t>(n);
  std::memcpy(program.code, bytes, n);
  program.length = n;
  program.capacity = n;
}

void TransformProgramDestroy(TransformProgram* program) {
  if (!program) return;
  crt::AlignedDeleteArray(program->code, program->capacity);
  crt::AlignedDelete(program);
}

TransformContext* TransformContextCreate(TransformProgram* program) {
  TransformContext* context = crt::AlignedNew<TransformContext>();  // registers zero
  context->key = program;
  MatrixInit(context->matrix);
  return context;
}

// The registers live inside the record; nothing else is owned.
void TransformContextCleanup(TransformContext& context) { context.key = nullptr; }

float TransformContextGetInput(const TransformContext& context, uint32_t i) {
  return i < 32 ? context.c[2 + i].x : 0.0f;
}

void TransformContextSetInput(TransformContext& context, uint32_t i, float value) {
  if (i < 32) SetAll(context.c[2 + i], value);
}

void TransformContextSetTime(TransformContext& context, float time) {
  float step = time - context.c[0].x;
  SetAll(context.c[1], step > 0.0f ? step : 0.0f);
  SetAll(context.c[0], time);
}

bool TransformOperandDecode(TransformCursor& cursor, TransformOperand& operand) {
  operand = TransformOperand{};
  if (cursor.at >= cursor.end) {
    cursor.truncated = 1;
    return false;
  }
  uint8_t first = *cursor.at++;
  operand.type = first >> 6;
  operand.swizzle = kDefaultSwizzle;
  size_t follow = 0;
  if (operand.type == kOperandImmediate) follow = 4;
  if (operand.type == kOperandR) follow = (first & 0x20) ? 1 : 0;
  if (static_cast<size_t>(cursor.end - cursor.at) < follow) {
    cursor.at = cursor.end;
    cursor.truncated = 1;
    operand.type = kOperandNone;
    return false;
  }
  if (operand.type == kOperandImmediate) std::memcpy(&operand.immediate, cursor.at, 4);
  if (operand.type == kOperandR) {
    operand.index = first & 0x1F;
    if (follow) operand.swizzle = *cursor.at;
  }
  if (operand.type == kOperandC) operand.index = first & 0x3F;
  cursor.at += follow;
  return operand.type != kOperandNone;
}

float* TransformOperandComponent(TransformContext& context, TransformOperand& operand, uint32_t i) {
  switch (operand.type) {
    case kOperandImmediate: return &operand.immediate;
    case kOperandR: return &Element(context.r[operand.index], operand.swizzle >> (2 * i));
    case kOperandC: return &Element(context.c[operand.index], i);
    default: return nullptr;
  }
}

Vec4* TransformOperandVector(TransformContext& context, const TransformOperand& operand) {
  if (operand.type == kOperandR) return &context.r[operand.index];
  if (operand.type == kOperandC) return &context.c[operand.index];
  return nullptr;
}
