// Tracks and bindings: which entry covers a time, the rest matrix, key poses, programs fed by
// the sync values, context lifetime and clones.
#include <gtest/gtest.h>

#include <vector>

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"

namespace {

// Owns the tracks, keys and programs a test builds (shared records are never freed by the
// bindings that use them).
struct Fixture {
  std::vector<AnimTrack*> tracks;
  std::vector<TrackKey*> keys;
  std::vector<Vec3*> positions;
  std::vector<Quaternion*> rotations;
  std::vector<TransformProgram*> programs;

  ~Fixture() {
    for (AnimTrack* t : tracks) {
      ListDestroy(t->programs);
      ListDestroy(t->keys);
      crt::AlignedDelete(t);
    }
    for (TrackKey* k : keys) crt::AlignedDelete(k);
    for (Vec3* p : positions) crt::AlignedDelete(p);
    for (Quaternion* q : rotations) crt::AlignedDelete(q);
    for (TransformProgram* p : programs) TransformProgramDestroy(p);
  }
  AnimTrack& Track(uint32_t interpolation, uint8_t loop, float start = 0.0f) {
    AnimTrack* t = AnimTrackInit(crt::AlignedNew<AnimTrack>(), interpolation, loop);
    t->start = start;
    AnimTrackUpdateEnd(*t);
    tracks.push_back(t);
    return *t;
  }
  // A key at time with a pure translation (x, 0, 0) and no rotation.
  void Key(AnimTrack& track, float time, float x) {
    Vec3* p = crt::AlignedNew<Vec3>(x, 0.0f, 0.0f);
    Quaternion* q = crt::AlignedNew<Quaternion>(0.0f, 0.0f, 0.0f, 1.0f);
    positions.push_back(p);
    rotations.push_back(q);
    Pose pose;
    PoseInit(pose, p, q);
    TrackKey* key = TrackKeyInit(crt::AlignedNew<TrackKey>(), pose, time);
    keys.push_back(key);
    AnimTrackAddKey(track, key);
  }
  // A program that adds input 12 plus 1 to r0.x each run and translates by r0.x along x.
  TransformProgram* CounterProgram() {
    const std::vector<uint8_t> bytes = {
        0x80, 0xA0, 0xE4, 0xC0 | 14,                          // add.s r0(xyzw), c14
        0x80, 0xA0, 0xE4, 0x40,      0x00, 0x00, 0x80, 0x3F,  // add.s r0(xyzw), 1.0
        0x0F, 0xA1, 0xE4, 0xA0,      0x00,                    // mov r1(xyzw), r0(xxxx)
        0x14, 0xA1, 0xE4, 0x00,                               // translate r1
    };
    TransformProgram* p = TransformProgramCreate();
    TransformProgramAssign(*p, bytes.data(), static_cast<uint32_t>(bytes.size()));
    programs.push_back(p);
    return p;
  }
};

struct Binding {
  AnimBinding binding;
  Binding(Matrix* target, uint8_t order = 0) { AnimBindingInit(&binding, target, order); }
  ~Binding() { AnimBindingCleanup(binding); }
};

Matrix Translation(float x, float y, float z) {
  Matrix m;
  MatrixMakeTranslation(m, x, y, z);
  return m;
}

// A track ends at its start plus its last key's time; a binding restores its rest, then
// applies the pose interpolated in the key pair that covers the time.
TEST(AnimBinding, RestoresRestAndInterpolatesTheCoveringPair) {
  Fixture f;
  AnimTrack& t = f.Track(kTrackLinear, 0, 1.0f);
  f.Key(t, 0.0f, 0.0f);
  f.Key(t, 2.0f, 4.0f);
  EXPECT_EQ(t.end, 3.0f);
  Matrix target = Translation(0, 5, 0);
  Binding b(&target);
  AnimBindingAddTrack(b.binding, &t);
  AnimBindingApply(b.binding, 2.0f, nullptr);  // tau 1: halfway, x = 2 on top of rest y = 5
  EXPECT_FLOAT_EQ(target.m[12], 2.0f);
  EXPECT_FLOAT_EQ(target.m[13], 5.0f);
  AnimBindingApply(b.binding, 2.0f, nullptr);  // not accumulated: rest restored first
  EXPECT_FLOAT_EQ(target.m[12], 2.0f);
  // t = end is covered but applies no pose; before start nothing covers: rest either way.
  AnimBindingApply(b.binding, 3.0f, nullptr);
  EXPECT_EQ(target.m[12], 0.0f);
  AnimBindingApply(b.binding, 0.5f, nullptr);
  EXPECT_EQ(target.m[12], 0.0f);
  EXPECT_EQ(target.m[13], 5.0f);
}

TEST(AnimBinding, FirstCoveringEntryHidesLaterOnes) {
  Fixture f;
  AnimTrack& empty = f.Track(kTrackLinear, 0, 0.0f);  // covers only t = 0
  AnimTrack& moving = f.Track(kTrackLinear, 0, 0.0f);
  f.Key(moving, 0.0f, 0.0f);
  f.Key(moving, 1.0f, 10.0f);
  Matrix target = Translation(0, 0, 0);
  Binding b(&target);
  AnimBindingAddTrack(b.binding, &empty);
  AnimBindingAddTrack(b.binding, &moving);
  AnimBindingApply(b.binding, 0.0f, nullptr);
  EXPECT_EQ(target.m[12], 0.0f);
  AnimBindingApply(b.binding, 0.5f, nullptr);  // the empty track no longer covers
  EXPECT_FLOAT_EQ(target.m[12], 5.0f);
}

TEST(AnimBinding, LoopingTracksWrapAndZeroLengthUsesTheRawTime) {
  Fixture f;
  AnimTrack& loop = f.Track(kTrackLinear, 1, 1.0f);
  f.Key(loop, 0.0f, 0.0f);
  f.Key(loop, 2.0f, 8.0f);
  Matrix target = Translation(0, 0, 0);
  Binding b(&target);
  AnimBindingAddTrack(b.binding, &loop);
  AnimBindingApply(b.binding, 1.0f + 2.0f * 3 + 0.5f, nullptr);  // wraps to tau 0.5
  EXPECT_FLOAT_EQ(target.m[12], 2.0f);
  AnimBindingApply(b.binding, 0.5f, nullptr);  // before start: not covered
  EXPECT_EQ(target.m[12], 0.0f);

  // A looping track of length 0 with a program: evaluated at the unwrapped time, visible in
  // the program's c0.
  AnimTrack& flat = f.Track(kTrackLinear, 1, 1.0f);
  const uint8_t code[] = {0x14, 0xC0, 0x00};  // translate by c0 (time since start, xyz)
  TransformProgram* p = TransformProgramCreate();
  TransformProgramAssign(*p, code, sizeof(code));
  f.programs.push_back(p);
  AnimTrackAddProgram(flat, p);
  Binding b2(&target);
  AnimBindingAddTrack(b2.binding, &flat);
  AnimBindingApply(b2.binding, 7.25f, nullptr);
  EXPECT_FLOAT_EQ(target.m[12], 6.25f);
}

TEST(AnimBinding, CubicTracksUseNeighbourKeysAsOuterPoints) {
  Fixture f;
  AnimTrack& t = f.Track(1, 0);
  f.Key(t, 0.0f, 0.0f);
  f.Key(t, 1.0f, 1.0f);
  f.Key(t, 2.0f, 5.0f);
  f.Key(t, 3.0f, 6.0f);
  Matrix target = Translation(0, 0, 0);
  Binding b(&target);
  AnimBindingAddTrack(b.binding, &t);
  AnimBindingApply(b.binding, 1.5f, nullptr);
  const TrackKey* k[4];
  for (uint32_t i = 0; i < 4; ++i) k[i] = ListAtAs<TrackKey>(*t.keys, i);
  Matrix expected = Translation(0, 0, 0);
  PoseInterpolateCubic(k[0]->pose, k[1]->pose, k[2]->pose, k[3]->pose, 0.5f, expected, 0);
  EXPECT_FLOAT_EQ(target.m[12], expected.m[12]);
  // First pair: the first key stands in for the missing one before it.
  AnimBindingApply(b.binding, 0.25f, nullptr);
  MatrixInit(expected);
  PoseInterpolateCubic(k[0]->pose, k[0]->pose, k[1]->pose, k[2]->pose, 0.25f, expected, 0);
  EXPECT_FLOAT_EQ(target.m[12], expected.m[12]);
  EXPECT_NE(target.m[12], 0.25f);  // not the linear value
}

TEST(AnimBinding, ProgramsAccumulateSyncInputsPerContextUntilReleased) {
  Fixture f;
  AnimTrack& t = f.Track(kTrackLinear, 1, 0.0f);
  AnimTrackAddProgram(t, f.CounterProgram());
  Matrix target = Translation(0, 0, 0);
  Binding b(&target);
  AnimBindingAddTrack(b.binding, &t);
  SyncValues sync{};
  sync.value[12] = 2.0f;
  AnimBindingApply(b.binding, 0.1f, &sync);  // r0.x = 0 + input 2 + 1
  EXPECT_FLOAT_EQ(target.m[12], 3.0f);
  // The program never clears its input, so the next frame adds 2 again on top of 2.
  AnimBindingApply(b.binding, 0.2f, &sync);  // r0.x = 3 + 4 + 1
  EXPECT_FLOAT_EQ(target.m[12], 8.0f);
  AnimBindingApply(b.binding, 0.3f, nullptr);  // no sync: input stays 4
  EXPECT_FLOAT_EQ(target.m[12], 13.0f);
  // A second binding on the same track has its own context.
  Matrix other = Translation(0, 0, 0);
  Binding b2(&other);
  AnimBindingAddTrack(b2.binding, &t);
  AnimBindingApply(b2.binding, 0.3f, nullptr);
  EXPECT_FLOAT_EQ(other.m[12], 1.0f);
  AnimBindingReleaseContexts(b.binding);
  AnimBindingApply(b.binding, 0.4f, nullptr);
  EXPECT_FLOAT_EQ(target.m[12], 1.0f);
}

TEST(AnimBinding, NoTargetEvaluatesNothing) {
  Fixture f;
  AnimTrack& t = f.Track(kTrackLinear, 1, 0.0f);
  const uint8_t code[] = {0x10, 0xA0, 0xE4, 0x40, 0x00, 0x00, 0x80, 0x3F};  // rand r0, 1.0
  TransformProgram* p = TransformProgramCreate();
  TransformProgramAssign(*p, code, sizeof(code));
  f.programs.push_back(p);
  AnimTrackAddProgram(t, p);
  Binding b(nullptr);
  AnimBindingAddTrack(b.binding, &t);
  uint32_t state = crt::RandState();
  AnimBindingApply(b.binding, 1.0f, nullptr);
  EXPECT_EQ(crt::RandState(), state);
}

TEST(AnimBinding, TwoBindingsOnOneTargetLastWins) {
  Fixture f;
  AnimTrack& a = f.Track(kTrackLinear, 0);
  f.Key(a, 0.0f, 0.0f);
  f.Key(a, 1.0f, 2.0f);
  Matrix target = Translation(0, 0, 0);
  Binding first(&target);
  Binding second(&target);
  AnimBindingAddTrack(first.binding, &a);
  AnimBindingApply(first.binding, 0.5f, nullptr);
  EXPECT_FLOAT_EQ(target.m[12], 1.0f);
  AnimBindingApply(second.binding, 0.5f, nullptr);  // no entries: back to rest
  EXPECT_EQ(target.m[12], 0.0f);
}

TEST(AnimBinding, CloneKeepsTargetAndTracksWithFreshCaches) {
  Fixture f;
  AnimTrack& t = f.Track(kTrackLinear, 1);
  AnimTrackAddProgram(t, f.CounterProgram());
  Matrix target = Translation(0, 0, 0);
  Binding b(&target, 1);
  AnimBindingAddTrack(b.binding, &t);
  AnimBindingApply(b.binding, 0.1f, nullptr);
  AnimBinding* clone = AnimBindingClone(b.binding);
  EXPECT_EQ(clone->target, &target);
  EXPECT_EQ(clone->viewOrder, 1);
  ASSERT_EQ(ListCount(*clone->entries), 1u);
  const BindingEntry* entry = ListAtAs<BindingEntry>(*clone->entries, 0);
  EXPECT_EQ(entry->track, &t);
  EXPECT_EQ(ListCount(*entry->cache->contexts), 0u);
  AnimBindingDestroy(clone);
}

}  // namespace
