#include "loader/scene_reader.h"
#include "platform/crt.h"

void SceneReaderTick(SceneReader& reader) { ++reader.ticks; }

uint32_t LoadingBarPercent(uint32_t ticks, uint32_t expected) {
  if (expected == 0) return 100;
  int32_t percent =
      crt::RoundToInt(static_cast<float>(ticks) / static_cast<float>(expected) * 100.0f);
  if (percent < 0 || percent > 100) return 100;  // INT_MIN only for values far above 100
  return static_cast<uint32_t>(percent);
}

LoadingBarRects LoadingBarLayout(uint32_t width, uint32_t height, uint32_t percent) {
  int32_t cx = static_cast<int32_t>(width / 2);
  int32_t cy = static_cast<int32_t>(height / 2);
  int32_t fill = static_cast<int32_t>(percent > 100 ? 100 : percent);
  return {{cx - 52, cy - 7, cx + 52, cy + 7}, {cx - 50, cy - 5, cx - 50 + fill, cy + 5}};
}
