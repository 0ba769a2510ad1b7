#include "scene/anim.h"

#include <cmath>

#include "platform/crt.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/node.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"

// ---- Tracks and keys ------------------------------------------------------------------------

AnimTrack* AnimTrackInit(AnimTrack* track, uint32_t interpolation, uint8_t loop) {
  *track = AnimTrack{ListCreate(), ListCreate(), 0.0f, 0.0f, loop, interpolation};
  return track;
}

void AnimTrackAddProgram(AnimTrack& track, TransformProgram* program) {
  ListAppend(*track.programs, program);
}

void AnimTrackAddKey(AnimTrack& track, TrackKey* key) {
  ListAppend(*track.keys, key);
  AnimTrackUpdateEnd(track);
}

void AnimTrackUpdateEnd(AnimTrack& track) {
  const ListNode* last = track.keys->first ? track.keys->last : nullptr;
  track.end = last ? track.start + ListNodeAs<const TrackKey>(*last)->time : track.start;
}

TrackKey* TrackKeyInit(TrackKey* key, const Pose& pose, float time) {
  key->pose = pose;
  key->time = time;
  return key;
}

void TrackKeyInterpolateLinear(const TrackKey& a, const TrackKey& b, float u, Matrix& target,
                               uint8_t viewOrder) {
  PoseInterpolateLinear(a.pose, b.pose, u, target, viewOrder);
}

void TrackKeyInterpolateCubic(const TrackKey& p0, const TrackKey& a, const TrackKey& b,
                              const TrackKey& p3, float u, Matrix& target, uint8_t viewOrder) {
  PoseInterpolateCubic(p0.pose, a.pose, b.pose, p3.pose, u, target, viewOrder);
}

namespace {

const TrackKey& KeyOf(const ListNode* node) { return *ListNodeAs<const TrackKey>(*node); }

// Composes the pose of every consecutive key pair whose [A, B) holds tau onto target.
void ComposeKeyPose(const AnimTrack& track, float tau, Matrix& target, uint8_t viewOrder) {
  for (const ListNode* a = track.keys->first; a && a->next; a = a->next) {
    const ListNode* b = a->next;
    const TrackKey& ka = KeyOf(a);
    const TrackKey& kb = KeyOf(b);
    if (!(ka.time <= tau && tau < kb.time)) continue;
    float u = (tau - ka.time) / (kb.time - ka.time);
    if (track.interpolation == kTrackLinear) {
      TrackKeyInterpolateLinear(ka, kb, u, target, viewOrder);
    } else {
      const TrackKey& p0 = a->prev ? KeyOf(a->prev) : ka;
      const TrackKey& p3 = b->next ? KeyOf(b->next) : kb;
      TrackKeyInterpolateCubic(p0, ka, kb, p3, u, target, viewOrder);
    }
  }
}

TransformContext* CachedContext(ContextCache& cache, TransformProgram* program) {
  for (TransformContext* context : ListItems<TransformContext>(*cache.contexts)) {
    if (context->key == program) return context;
  }
  TransformContext* context = TransformContextCreate(program);
  ListAppend(*cache.contexts, context);
  return context;
}

}  // namespace

void AnimTrackEvaluate(AnimTrack& track, float t, Matrix& target, uint8_t viewOrder,
                       ContextCache& cache, const SyncValues* sync) {
  float tau = t - track.start;
  ComposeKeyPose(track, tau, target, viewOrder);
  for (TransformProgram* program : ListItems<TransformProgram>(*track.programs)) {
    TransformContext* context = CachedContext(cache, program);
    if (sync) {
      for (uint32_t i = 0; i < 16; ++i) {
        TransformContextSetInput(*context, i,
                                 TransformContextGetInput(*context, i) + sync->value[i]);
      }
    }
    TransformContextSetTime(*context, tau);
    TransformProgramRun(*program, *context, target);
  }
}

// ---- Bindings -------------------------------------------------------------------------------

AnimBinding* AnimBindingInit(AnimBinding* binding, Matrix* target, uint8_t viewOrder) {
  binding->target = target;
  binding->rest = crt::AlignedNew<Matrix>();
  MatrixInit(*binding->rest);
  binding->entries = ListCreate();
  binding->viewOrder = viewOrder;
  AnimBindingStoreRest(*binding);
  return binding;
}

AnimBinding* AnimBindingInitCamera(AnimBinding* binding, Camera& camera) {
  return AnimBindingInit(binding, camera.view, 1);
}

AnimBinding* AnimBindingInitLight(AnimBinding* binding, Light& light) {
  return AnimBindingInit(binding, light.matrix, 0);
}

AnimBinding* AnimBindingInitNode(AnimBinding* binding, SceneNode& node) {
  return AnimBindingInit(binding, SceneNodeMatrix(node), 0);
}

void AnimBindingStoreRest(AnimBinding& binding) {
  if (binding.target) *binding.rest = *binding.target;
}

void AnimBindingAddTrack(AnimBinding& binding, AnimTrack* track) {
  ListAppend(*binding.entries, crt::AlignedNew<BindingEntry>(track, ContextCacheCreate()));
}

namespace {

// The time at which track is evaluated for t, or false when the track does not cover t.
bool TrackCovers(const AnimTrack& track, float t, float& at) {
  at = t;
  if (!track.loop) return track.start <= t && t <= track.end;
  if (!(t >= track.start)) return false;
  float length = track.end - track.start;
  if (length > 0.0f) at = track.start + std::fmod(t - track.start, length);
  return true;
}

}  // namespace

void AnimBindingApply(AnimBinding& binding, float t, const SyncValues* sync) {
  if (!binding.target) return;
  MatrixSetIdentity(*binding.target);
  MatrixPreMultiply(*binding.rest, *binding.target);
  for (BindingEntry* entry : ListItems<BindingEntry>(*binding.entries)) {
    float at;
    if (!TrackCovers(*entry->track, t, at)) continue;
    AnimTrackEvaluate(*entry->track, at, *binding.target, binding.viewOrder, *entry->cache, sync);
    return;
  }
}

namespace {

void DestroyContexts(ContextCache& cache) {
  for (TransformContext* context : ListItems<TransformContext>(*cache.contexts)) {
    TransformContextCleanup(*context);
    crt::AlignedDelete(context);
  }
  ListClear(*cache.contexts);
}

}  // namespace

void AnimBindingReleaseContexts(AnimBinding& binding) {
  for (BindingEntry* entry : ListItems<BindingEntry>(*binding.entries)) {
    DestroyContexts(*entry->cache);
  }
}

AnimBinding* AnimBindingClone(const AnimBinding& source) {
  AnimBinding* clone =
      AnimBindingInit(crt::AlignedNew<AnimBinding>(), source.target, source.viewOrder);
  for (const BindingEntry* entry : ListItems<const BindingEntry>(*source.entries)) {
    AnimBindingAddTrack(*clone, entry->track);
  }
  return clone;
}

void AnimBindingCleanup(AnimBinding& binding) {
  for (BindingEntry* entry : ListItems<BindingEntry>(*binding.entries)) {
    ContextCacheDestroy(entry->cache);
    crt::AlignedDelete(entry);
  }
  ListDestroy(binding.entries);
  binding.entries = nullptr;
  crt::AlignedDelete(binding.rest);
  binding.rest = nullptr;
}

void AnimBindingDestroy(AnimBinding* binding) {
  if (!binding) return;
  AnimBindingCleanup(*binding);
  crt::AlignedDelete(binding);
}

ContextCache* ContextCacheCreate() { return crt::AlignedNew<ContextCache>(ListCreate()); }

void ContextCacheDestroy(ContextCache* cache) {
  if (!cache) return;
  DestroyContexts(*cache);
  ListDestroy(cache->contexts);
  crt::AlignedDelete(cache);
}
