#pragma once
// The deformers' lookup tables: sine, (sine + 1) / 2 and cosine at 62,830 steps of 0.0001
// radian, and the step index of each whole degree. 62,830 steps cover 6.283 radians, a little
// less than a full turn (2 pi = 6.28318...), so index 62830 wraps to index 0. One global set,
// built once at device start-up and freed at shutdown, main thread only.

#include <cstdint>

constexpr uint32_t kTrigSteps = 62830;
constexpr uint32_t kTrigDegrees = 360;

struct TrigTables {
  float* sinTable;          // kTrigSteps entries: sin(i x 0.0001f), i as a float
  float* halfSinTable;      // kTrigSteps entries: (sinTable[i] + 1) x 0.5, 0..1
  float* cosTable;          // kTrigSteps entries: cos(i x 0.0001f)
  uint32_t* degreeToIndex;  // 360 entries: round(d x pi / 180 x 10000) mod 62830
};

// The global tables; every pointer absent before TrigTablesCreate and after TrigTablesDestroy.
extern TrigTables gTrigTables;

// Allocates (16-byte aligned) and fills the four tables in single precision: x = i x 0.0001f
// (the float 9.999999747378752e-05), sin and cos of x as floats; degreeToIndex[d] =
// round(float(d x 0.017453292519943295) x 10000), ties to even, modulo 62830. Tables that
// exist already are rebuilt in place of the old ones.
void TrigTablesCreate();
// Frees the four tables; they become absent. Nothing when they are absent.
void TrigTablesDestroy();
