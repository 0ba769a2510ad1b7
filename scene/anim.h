#pragma once
// Animation: tracks of timed key poses with transform programs, and bindings that attach
// tracks to one target matrix (a camera's view, a light's, a leaf's or a group's matrix).
// Each frame a binding restores its target's rest value and lets the first track that covers
// the time move it.
#include <cstdint>

#include "math/list.h"
#include "math/matrix.h"
#include "math/quaternion.h"

struct Camera;
struct Light;
struct SceneNode;
struct SyncValues;
struct TransformProgram;

struct TrackKey {
  Pose pose;
  float time;  // seconds after the track start
};

enum : uint32_t { kTrackLinear = 0 };  // any other interpolation value: cubic

struct AnimTrack {
  List* programs;  // TransformProgram*, run in order after the key pose
  List* keys;      // TrackKey*, ascending time
  float start;     // seconds
  float end;       // start + time of the last key
  uint8_t loop;
  uint32_t interpolation;
};

// One TransformContext per program of an entry's track, made on first use.
struct ContextCache {
  List* contexts;  // TransformContext*
};

struct BindingEntry {
  AnimTrack* track;     // shared
  ContextCache* cache;  // owned
};

struct AnimBinding {
  Matrix* target;     // not owned; null for a node kind without matrix
  Matrix* rest;       // owned
  List* entries;      // BindingEntry*, owned
  uint8_t viewOrder;  // 1 for cameras: composition order of the key pose
};

// Constructs in place: start = end = 0, the flags, empty lists. Returns track.
AnimTrack* AnimTrackInit(AnimTrack* track, uint32_t interpolation, uint8_t loop);
void AnimTrackAddProgram(AnimTrack& track, TransformProgram* program);
// Appends and updates the end.
void AnimTrackAddKey(AnimTrack& track, TrackKey* key);
// end = start + time of the last key; start without keys.
void AnimTrackUpdateEnd(AnimTrack& track);
// Composes the key pose that covers t onto target, then runs the programs (below).
void AnimTrackEvaluate(AnimTrack& track, float t, Matrix& target, uint8_t viewOrder,
                       ContextCache& cache, const SyncValues* sync);

TrackKey* TrackKeyInit(TrackKey* key, const Pose& pose, float time);
void TrackKeyInterpolateLinear(const TrackKey& a, const TrackKey& b, float u, Matrix& target,
                               uint8_t viewOrder);
void TrackKeyInterpolateCubic(const TrackKey& p0, const TrackKey& a, const TrackKey& b,
                              const TrackKey& p3, float u, Matrix& target, uint8_t viewOrder);

// Constructs in place on target (may be null): no entries, rest = copy of target.
AnimBinding* AnimBindingInit(AnimBinding* binding, Matrix* target, uint8_t viewOrder);
AnimBinding* AnimBindingInitCamera(AnimBinding* binding, Camera& camera);
AnimBinding* AnimBindingInitLight(AnimBinding* binding, Light& light);
// A leaf's or a group's matrix; any other node kind gives no target.
AnimBinding* AnimBindingInitNode(AnimBinding* binding, SceneNode& node);
// rest = copy of the target; nothing without target.
void AnimBindingStoreRest(AnimBinding& binding);
void AnimBindingAddTrack(AnimBinding& binding, AnimTrack* track);
// target = rest, then the first entry whose track covers t is evaluated. Without a target
// nothing is evaluated.
void AnimBindingApply(AnimBinding& binding, float t, const SyncValues* sync);
// Destroys every cached context: the programs restart from zeroed registers.
void AnimBindingReleaseContexts(AnimBinding& binding);
// A new binding (aligned heap) on the same target and view order, one entry per source entry
// with the same track and an empty cache.
AnimBinding* AnimBindingClone(const AnimBinding& source);
// Frees the entries, their caches and the rest matrix; the caller frees the binding.
void AnimBindingCleanup(AnimBinding& binding);
// AnimBindingCleanup and free; null does nothing.
void AnimBindingDestroy(AnimBinding* binding);

ContextCache* ContextCacheCreate();
// Destroys every cached context, the list and the holder.
void ContextCacheDestroy(ContextCache* cache);
