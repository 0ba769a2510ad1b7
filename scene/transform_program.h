#pragma once
// Transform programs: small byte-coded programs attached to animation tracks that move the
// track's matrix from a private register file (time, time step, 32 inputs fed by the music).
//
// Code: instructions back to back, little-endian. Opcode byte: bit 7 scalar (component 0
// only), bits 0..6 opcode 0..22. Then the destination operand and, unless the destination is
// of type 0, the source operand. Operand first byte, bits 7..6 type: 0 none; 1 immediate (a
// 32-bit float follows); 2 r register (bits 4..0 index, bit 5: a swizzle byte follows; without
// it the swizzle is 0x1B, component i reading element 3 - i); 3 c register (bits 5..0 index).
#include <cstdint>

#include "math/matrix.h"
#include "math/vec.h"

struct TransformProgram {
  uint8_t* code;      // owned
  uint32_t length;    // bytes of code
  uint32_t capacity;  // bytes of the block
};

// Register file of one program for one binding entry. c0 = time, c1 = time step, c2..c33 =
// inputs 0..31 (all four components each), c34..c63 free.
struct TransformContext {
  TransformProgram* key;  // the program this context belongs to
  Vec4 r[32];
  Vec4 c[64];
  Matrix matrix;  // the matrix the program works on during a run
};

enum : uint32_t {
  kOperandNone = 0,
  kOperandImmediate = 1,
  kOperandR = 2,
  kOperandC = 3,
};

struct TransformOperand {
  uint32_t type;  // kOperand*
  uint8_t index;
  uint8_t swizzle;
  float immediate;
};

// Read position within a program's code; end is one past the last byte.
struct TransformCursor {
  const uint8_t* at;
  const uint8_t* end;
  uint8_t truncated;  // set when an operand ran past end
};

constexpr uint8_t kTransformOpCount = 23;  // opcodes 0..22

// An empty program on the aligned heap: a 100-byte block, length 0, capacity 100.
TransformProgram* TransformProgramCreate();
// n = 0: nothing. Otherwise the block becomes a copy of the n bytes; length = capacity = n.
void TransformProgramAssign(TransformProgram& program, const uint8_t* bytes, uint32_t n);
// Frees the block and the record; null does nothing.
void TransformProgramDestroy(TransformProgram* program);

// A context on the aligned heap: 96 zero registers, identity matrix, key = program.
TransformContext* TransformContextCreate(TransformProgram* program);
// Releases what the context owns (the caller frees the record with AlignedDelete).
void TransformContextCleanup(TransformContext& context);
// x of c(2 + i) for i = 0..31; 0.0 for any other i.
float TransformContextGetInput(const TransformContext& context, uint32_t i);
// All four components of c(2 + i) = value for i = 0..31; other i: nothing.
void TransformContextSetInput(TransformContext& context, uint32_t i, float value);
// c1 = max(time - c0.x, 0.0) on all four components, then c0 = time on all four.
void TransformContextSetTime(TransformContext& context, float time);

// Decodes the operand at the cursor and advances past it. False for type 0 and for an operand
// cut off by the end of the code (then the cursor stands at the end and truncated is set).
bool TransformOperandDecode(TransformCursor& cursor, TransformOperand& operand);
// The float that component i (0..3) of the operand refers to; null for type 0. Immediates
// refer to the operand's own immediate.
float* TransformOperandComponent(TransformContext& context, TransformOperand& operand, uint32_t i);
// The whole r or c register; null for immediates and type 0.
Vec4* TransformOperandVector(TransformContext& context, const TransformOperand& operand);

// Runs the program on target: target is copied into the context, the instructions run, and
// at the end of the code the context's matrix is copied back. An opcode above 22 or an
// instruction cut off by the end of the code ends the run with target unchanged.
void TransformProgramRun(const TransformProgram& program, TransformContext& context,
                         Matrix& target);
