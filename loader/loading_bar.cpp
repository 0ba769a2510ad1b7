// The loading bar: a white frame around the centre of the back buffer and a bar that grows
// with the ticks the scene script has counted, redrawn on every fifteenth tick; the window's
// messages are read after each redraw, so that Escape or a close ends the load.
#include "loader/scene_reader.h"
#include "platform/crt.h"
#include "render/device.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "render/shader_mode.h"
#include "render/target_manager.h"
#include "render/transform_state.h"

namespace {

// Counts every tick of the process; the first tick draws (14 + 1), then every fifteenth.
int32_t gRedrawCounter = 14;

void DrawLoadingFrame(SceneReader& reader) {
  Device& device = *reader.device;
  uint32_t width = DeviceGetWidth(device);
  uint32_t height = DeviceGetHeight(device);
  TargetManagerBeginScene(*device.targetManager);
  DeviceClear(device, 0xFF000000);
  DeviceDisable(device, kSwitchTextureStages);
  DeviceDisable(device, kSwitchDepthTest);
  TransformStateBeginOverlay(*device.transformState);
  RendererSetShaderMode(device.renderer->shaders, kShaderModeScreenQuad);
  LoadingBarRects r =
      LoadingBarLayout(width, height, LoadingBarPercent(reader.ticks, reader.expectedTicks));
  RendererDrawRectOutline(*device.renderer, r.frame[0], r.frame[1], r.frame[2], r.frame[3]);
  RendererDrawFilledRect(*device.renderer, r.bar[0], r.bar[1], r.bar[2], r.bar[3]);
  TransformStateEndOverlay(*device.transformState);
  DeviceEnable(device, kSwitchTextureStages);
  TargetManagerEndFrame(*device.targetManager);
}

// True on every fifteenth call of the process, the first included.
bool SceneReaderTickDraws() {
  if (++gRedrawCounter != 15) return false;
  gRedrawCounter = 0;
  return true;
}

}  // namespace

void SceneReaderTick(SceneReader& reader) {
  ++reader.ticks;
  if (!SceneReaderTickDraws()) return;
  if (reader.device && reader.device->renderer) DrawLoadingFrame(reader);
  if (reader.readMessages && !reader.readMessages()) reader.stopped = 1;
}

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
