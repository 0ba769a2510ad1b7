#include "mesh/trig_tables.h"

#include <cmath>

#include "platform/crt.h"

TrigTables gTrigTables;

namespace {

// One table step: 0.0001 radian as a float (9.999999747378752e-05).
constexpr float kTrigStep = 0.0001f;

template <class T>
T* NewTable(uint32_t count) {
  return static_cast<T*>(crt::AlignedAlloc(sizeof(T) * count));
}

}  // namespace

void TrigTablesCreate() {
  TrigTablesDestroy();
  gTrigTables.sinTable = NewTable<float>(kTrigSteps);
  gTrigTables.halfSinTable = NewTable<float>(kTrigSteps);
  gTrigTables.cosTable = NewTable<float>(kTrigSteps);
  gTrigTables.degreeToIndex = NewTable<uint32_t>(kTrigDegrees);
  for (uint32_t i = 0; i < kTrigSteps; ++i) {
    const float x = static_cast<float>(i) * kTrigStep;
    const float s = std::sin(x);
    gTrigTables.sinTable[i] = s;
    gTrigTables.halfSinTable[i] = (s + 1.0f) * 0.5f;
    gTrigTables.cosTable[i] = std::cos(x);
  }
  for (uint32_t d = 0; d < kTrigDegrees; ++d) {
    // pi / 180 in double, the product rounded once to float, then steps of 0.0001 radian.
    const float radians = static_cast<float>(d * 0.017453292519943295);
    const uint32_t steps = static_cast<uint32_t>(crt::RoundToInt(radians * 10000.0f));
    gTrigTables.degreeToIndex[d] = steps % kTrigSteps;
  }
}

void TrigTablesDestroy() {
  crt::AlignedFree(gTrigTables.sinTable);
  crt::AlignedFree(gTrigTables.halfSinTable);
  crt::AlignedFree(gTrigTables.cosTable);
  crt::AlignedFree(gTrigTables.degreeToIndex);
  gTrigTables = TrigTables{};
}
