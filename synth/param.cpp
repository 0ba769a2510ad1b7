#include "synth/param.h"

#include <cmath>

#include "platform/crt.h"

void ParamInit(Param* param) { *param = Param{0.0f, 1.0f, 0.0f}; }

float ParamGet(const Param* param) {
  const float v = param->min + param->norm * (param->max - param->min);
  if (v >= param->max) return param->max;
  if (v < param->min) return param->min;
  return v;
}

float RoundHalfUp(float x) { return std::fmod(x, 1.0f) >= 0.5f ? std::ceil(x) : std::floor(x); }

int32_t ParamGetInt(const Param* param) {
  return crt::RoundToInt(RoundHalfUp(ParamGet(param)));
}

void ParamSet(Param* param, float value) {
  float c = value >= param->max ? param->max : value;
  if (c < param->min) c = param->min;
  float norm = (c - param->min) / (param->max - param->min);
  if (norm < 0.0f) norm = 0.0f;
  if (norm > 1.0f) norm = 1.0f;
  param->norm = norm;
}

Param* ParamTableCreate() {
  Param* table = crt::AlignedNewArray<Param>(kParamCount);
  for (int i = 0; i < kParamCount; ++i) {
    ParamInit(&table[i]);
    table[i].min = kParamRanges[i].min;
    table[i].max = kParamRanges[i].max;
  }
  return table;
}

void ParamTableDestroy(Param* table) { crt::AlignedDeleteArray(table, kParamCount); }
