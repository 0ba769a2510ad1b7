#pragma once
// Ranged synthesizer parameters. A parameter stores a normalised value (0 = min, 1 = max); its
// plain value is min + norm x (max - min), clamped to [min, max] on every read. Writers store
// normalised values directly and may write outside 0..1: reads hold such values at the range ends.

#include <cstdint>

struct Param {
  float min;
  float max;
  float norm;
};

// Number of parameters of a patch, indices 0..248.
constexpr int kParamCount = 249;

// {min 0, max 1, norm 0}.
void ParamInit(Param* param);
// The clamped plain value: v = min + norm x (max - min) in single precision, then max when
// v >= max, min when v < min.
float ParamGet(const Param* param);
// ceil(x) when fmod(x, 1) >= 0.5, else floor(x). fmod keeps the sign of x, so positive values
// round half up (2.5 -> 3, 2.49 -> 2) and every negative non-integer rounds down (-0.12 -> -1,
// -1.12 -> -2).
float RoundHalfUp(float x);
// RoundHalfUp of ParamGet, as an integer (exact: the value is already whole); a NaN value (a
// NaN norm) gives INT32_MIN, as crt::RoundToInt does.
int32_t ParamGetInt(const Param* param);
// Stores a plain value: clamped to [min, max], normalised, the norm clamped to [0, 1].
void ParamSet(Param* param, float value);

// A table of kParamCount parameters on the aligned heap, ranges from the range table, every
// norm 0 (each parameter starts at its minimum).
Param* ParamTableCreate();
void ParamTableDestroy(Param* table);

// One line of the embedded range table: the parameter's name and its plain range (min < max).
struct ParamRange {
  const char* name;
  float min;
  float max;
};
extern const ParamRange kParamRanges[kParamCount];
