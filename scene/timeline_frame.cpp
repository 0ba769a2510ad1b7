// The per-frame functions of the timeline: frame begin and end, and one frame of the clip
// that covers the audio time with its colour fades.
#include "music/audio_clock.h"
#include "render/device.h"
#include "render/screen_draw.h"
#include "render/target_manager.h"
#include "scene/scene.h"
#include "scene/timeline.h"

namespace {

// (alpha << 24) | the clip colour's red, green and blue.
void DrawFade(Device& device, uint32_t alpha, uint32_t color) {
  RendererDrawScreenFade(*device.renderer, (alpha << 24) | (color & 0x00FFFFFFu));
}

}  // namespace

void TimelineBeginFrame() {
  if (TimelineInstance) TargetManagerBeginScene(*TimelineInstance->device->targetManager);
}

void TimelineEndFrame() {
  if (TimelineInstance) TargetManagerEndFrame(*TimelineInstance->device->targetManager);
}

void TimelineDrawFades(const Timeline& timeline, uint32_t index, float t, float acc) {
  Device& device = *timeline.device;
  const Clip& clip = *ListAtAs<Clip>(*timeline.clips, index);
  float local = t - acc;
  if (clip.kind == kClipColorFade && local < clip.fade) {
    DrawFade(device, TimelineFadeAlpha(local, clip.fade), clip.color);
  }
  const Clip* next = ListAtAs<Clip>(*timeline.clips, index + 1);
  float remaining = (acc + clip.duration) - t;
  if (next && next->kind == kClipColorFade && remaining < next->fade) {
    DrawFade(device, TimelineFadeAlpha(remaining, next->fade), next->color);
  }
}

bool TimelineRenderFrame() {
  if (!TimelineInstance) return false;
  Timeline& timeline = *TimelineInstance;
  Device& device = *timeline.device;
  float t = static_cast<float>(AudioClockGetMs()) * 0.001f - timeline.start;
  float acc;
  int32_t index = TimelineFindClip(timeline, t, acc);
  if (index < 0) return false;
  const Clip& clip = *ListAtAs<Clip>(*timeline.clips, static_cast<uint32_t>(index));
  Scene& scene = *clip.scene;
  float local = t - acc;
  if (!scene.camera) return true;
  if (&scene != timeline.currentScene) {
    timeline.currentScene = &scene;
    SceneReleaseContexts(scene);
  }
  const SyncValues sync = SyncValuesTake(*timeline.sync);
  SceneAnimate(scene, local, &sync);
  SceneRender(scene, t, device, nullptr);
  TimelineDrawFades(timeline, static_cast<uint32_t>(index), t, acc);
  SceneUpdateModels(scene, local);
  return true;
}
