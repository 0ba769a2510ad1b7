#pragma once
// The system keeps its timeline until the process ends and has no destroy for it; tests free
// what TimelineCreate made, and the clips they added, here.

#include <vector>

#include "math/list.h"
#include "platform/crt.h"
#include "scene/timeline.h"

namespace scenetest {

inline void DestroyTimeline(Timeline*& timeline, std::vector<Clip*>& clips) {
  for (Clip* c : clips) crt::AlignedDelete(c);
  clips.clear();
  ListDestroy(timeline->clips);
  ListDestroy(timeline->fonts->fonts);
  ListDestroy(timeline->fonts->second);
  crt::AlignedDelete(timeline->fonts);
  crt::AlignedDelete(timeline->sync);
  crt::AlignedDelete(timeline);
  timeline = nullptr;
  TimelineInstance = nullptr;
}

}  // namespace scenetest
