#include "scene/timeline.h"

#include <atomic>

#include "music/audio_clock.h"
#include "platform/crt.h"
#include "scene/scene.h"

Timeline* TimelineInstance = nullptr;

namespace {

float AudioSeconds() { return static_cast<float>(AudioClockGetMs()) * 0.001f; }

}  // namespace

Timeline* TimelineCreate(Device* device) {
  Timeline* timeline = crt::AlignedNew<Timeline>();
  timeline->clips = ListCreate();
  timeline->start = AudioSeconds();
  timeline->sync = crt::AlignedNew<SyncValues>();
  timeline->fonts = FontTableCreate(device);
  timeline->device = device;
  TimelineInstance = timeline;
  return timeline;
}

FontTable* FontTableCreate(Device* device) {
  return crt::AlignedNew<FontTable>(ListCreate(), ListCreate(), device);
}

void TimelineAddClip(Timeline& timeline, Clip* clip) { ListAppend(*timeline.clips, clip); }

void TimelineStoreRest() {
  if (!TimelineInstance) return;
  for (Clip* clip : ListItems<Clip>(*TimelineInstance->clips)) SceneStoreRest(*clip->scene);
}

void TimelineStart() {
  if (!TimelineInstance) return;
  TimelineInstance->start = AudioSeconds();
  TimelineInstance->currentScene = nullptr;
}

SyncValues SyncValuesTake(SyncValues& shared) {
  SyncValues taken;
  for (int i = 0; i < 16; ++i) {
    taken.value[i] =
        std::atomic_ref<float>(shared.value[i]).exchange(0.0f, std::memory_order_relaxed);
  }
  return taken;
}

void TimelineOnNote(void* context, int32_t track, uint8_t /*note*/, uint8_t velocity) {
  auto* timeline = static_cast<Timeline*>(context);
  if (!timeline || static_cast<uint32_t>(track) > 15) return;
  std::atomic_ref<float>(timeline->sync->value[track])
      .fetch_add(static_cast<float>(static_cast<int32_t>(velocity)) * 0.0078125f,
                 std::memory_order_relaxed);
}

int32_t TimelineFindClip(const Timeline& timeline, float t, float& acc) {
  acc = 0.0f;
  int32_t index = 0;
  for (const Clip* clip : ListItems<const Clip>(*timeline.clips)) {
    if (acc <= t && t < acc + clip->duration) return index;
    acc += clip->duration;
    ++index;
  }
  return -1;
}

uint32_t TimelineFadeAlpha(float elapsed, float fade) {
  return static_cast<uint32_t>(crt::RoundToInt(255.0f * (1.0f - elapsed / fade)));
}
