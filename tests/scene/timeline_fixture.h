#pragma once
// The system keeps its timeline until the process ends and has no destroy for it; tests own
// what TimelineCreate made, and the clips they added, here.

#include <vector>

#include "math/list.h"
#include "platform/crt.h"
#include "scene/timeline.h"

namespace scenetest {

struct OwnedTimeline {
  Timeline* timeline = nullptr;
  std::vector<Clip*> clips;

  // Adds a clip of the scene (null: none) to the timeline.
  void Add(Scene* scene, float duration, float fade = 0, uint32_t kind = 0, uint32_t colour = 0) {
    clips.push_back(crt::AlignedNew<Clip>(scene, duration, fade, kind, colour));
    TimelineAddClip(*timeline, clips.back());
  }
  ~OwnedTimeline() {
    if (!timeline) return;
    for (Clip* c : clips) crt::AlignedDelete(c);
    ListDestroy(timeline->clips);
    ListDestroy(timeline->fonts->fonts);
    ListDestroy(timeline->fonts->second);
    crt::AlignedDelete(timeline->fonts);
    crt::AlignedDelete(timeline->sync);
    crt::AlignedDelete(timeline);
    TimelineInstance = nullptr;
  }
};

}  // namespace scenetest
