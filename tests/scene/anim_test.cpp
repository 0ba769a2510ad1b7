// Tracks and bindings: which entry covers a time, the rest matrix, key poses, programs fed by
// the sync values, context lifetime and clones.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"

namespace {

using Bytes = std::vector<uint8_t>;

// add.s r0(xyzw), c14 (sync input 12); add.s r0(xyzw), 1.0; mov r1(xyzw), r0(xxxx); translate r1.
const Bytes kCounter = {0x80, 0xA0, 0xE4, 0xC0 | 14, 0x80, 0xA0, 0xE4, 0x40, 0x00, 0x00, 0x80,
                        0x3F, 0x0F, 0xA1, 0xE4,      0xA0, 0x00, 0x14, 0xA1, 0xE4, 0x00};
// translate by c0 (time since the track start).
const Bytes kByTime = {0x14, 0xC0, 0x00};
// rand r0, 1.0
const Bytes kRand = {0x10, 0xA0, 0xE4, 0x40, 0x00, 0x00, 0x80, 0x3F};

// A track: interpolation, loop flag, start, keys (time, x of a pure translation), programs.
struct TrackSpec {
  uint32_t interpolation;
  uint8_t loop;
  float start;
  std::vector<std::pair<float, float>> keys;
  std::vector<Bytes> programs;
};

// Owns the tracks, keys and programs a test builds (bindings never free shared records).
struct Tracks {
  struct Key {
    Vec3 position;
    Quaternion rotation{0, 0, 0, 1};
    TrackKey key;
  };
  std::deque<Key> keys;
  std::vector<AnimTrack*> tracks;
  std::vector<TransformProgram*> programs;

  ~Tracks() {
    for (AnimTrack* t : tracks) {
      ListDestroy(t->programs);
      ListDestroy(t->keys);
      crt::AlignedDelete(t);
    }
    for (TransformProgram* p : programs) TransformProgramDestroy(p);
  }
  AnimTrack* Make(const TrackSpec& spec) {
    AnimTrack* t = AnimTrackInit(crt::AlignedNew<AnimTrack>(), spec.interpolation, spec.loop);
    t->start = spec.start;
    AnimTrackUpdateEnd(*t);
    for (auto [time, x] : spec.keys) {
      Key& k = keys.emplace_back(Key{{x, 0, 0}});
      Pose pose;
      PoseInit(pose, &k.position, &k.rotation);
      AnimTrackAddKey(*t, TrackKeyInit(&k.key, pose, time));
    }
    for (const Bytes& code : spec.programs) {
      programs.push_back(TransformProgramCreate());
      TransformProgramAssign(*programs.back(), code.data(), static_cast<uint32_t>(code.size()));
      AnimTrackAddProgram(*t, programs.back());
    }
    tracks.push_back(t);
    return t;
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

// A binding restores the rest (y = 5) before every apply, then the first entry whose track
// covers t ([start, end], end = start + last key time) moves x: the pair around t
// interpolated, a looping track wrapped, a cubic one with its neighbour keys as tangent
// points (Catmull-Rom, the first key standing in before the first pair). At t = end the
// track covers but poses nothing. Expected cubic values are the Hermite sums by hand.
TEST(AnimBinding, FirstCoveringEntryPosesTheTargetOverItsRest) {
  const TrackSpec linear{kTrackLinear, 0, 1.0f, {{0, 0}, {2, 4}}, {}};
  const TrackSpec looping{kTrackLinear, 1, 1.0f, {{0, 0}, {2, 8}}, {}};
  const TrackSpec cubic{1, 0, 0.0f, {{0, 0}, {1, 1}, {2, 5}, {3, 6}}, {}};
  const TrackSpec empty{kTrackLinear, 0, 0.0f, {}, {}};  // covers t = 0 only
  const TrackSpec moving{kTrackLinear, 0, 0.0f, {{0, 0}, {1, 10}}, {}};
  const TrackSpec flatLoop{kTrackLinear, 1, 1.0f, {}, {kByTime}};  // length 0: raw time
  const struct {
    std::vector<TrackSpec> tracks;
    float t, x, y = 5.0f;
  } rows[] = {{{linear}, 2.0f, 2.0f},
              {{linear}, 3.0f, 0.0f},
              {{linear}, 0.5f, 0.0f},
              {{looping}, 7.5f, 2.0f},
              {{looping}, 0.5f, 0.0f},
              {{cubic}, 1.25f, 1.859375f},
              {{cubic}, 0.25f, 0.109375f},
              {{empty, moving}, 0, 0},
              {{empty, moving}, 0.5f, 5.0f},
              {{}, 0.5f, 0.0f},
              {{flatLoop}, 7.25f, 6.25f, 11.25f}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "t " << row.t << ", " << row.tracks.size() << " tracks");
    Tracks owned;
    Matrix target = Translation(0, 5, 0);
    Binding b(&target);
    for (const TrackSpec& spec : row.tracks) AnimBindingAddTrack(b.binding, owned.Make(spec));
    for (int again = 0; again < 2; ++again) {  // not accumulated over applies
      target.m[12] = 99.0f;
      AnimBindingApply(b.binding, row.t, nullptr);
      EXPECT_NEAR(target.m[12], row.x, 1e-5f);
      EXPECT_EQ(target.m[13], row.y);
    }
  }
}

// The counter adds sync input 12 to its input register, which it never clears: per context
// the sum grows 0 + 2 + 1 = 3, 3 + 4 + 1 = 8, without sync 8 + 4 + 1 = 13. Another binding on
// the track has its own context; released contexts restart from zero.
TEST(AnimBinding, ProgramsAccumulateSyncInputsPerContextUntilReleased) {
  Tracks owned;
  AnimTrack* t = owned.Make({kTrackLinear, 1, 0.0f, {}, {kCounter}});
  Matrix target = Translation(0, 0, 0), other = target;
  Binding b(&target), b2(&other);
  AnimBindingAddTrack(b.binding, t);
  AnimBindingAddTrack(b2.binding, t);
  SyncValues sync{};
  sync.value[12] = 2.0f;
  const SyncValues* feeds[] = {&sync, &sync, nullptr};
  const float sums[] = {3.0f, 8.0f, 13.0f};
  for (int i = 0; i < 3; ++i) {
    AnimBindingApply(b.binding, 0.1f * (i + 1), feeds[i]);
    EXPECT_FLOAT_EQ(target.m[12], sums[i]) << i;
  }
  AnimBindingApply(b2.binding, 0.3f, nullptr);
  EXPECT_FLOAT_EQ(other.m[12], 1.0f);
  AnimBindingReleaseContexts(b.binding);
  AnimBindingApply(b.binding, 0.4f, nullptr);
  EXPECT_FLOAT_EQ(target.m[12], 1.0f);

  // A clone keeps target, view order and tracks, with a fresh cache.
  Binding ordered(&target, 1);
  AnimBindingAddTrack(ordered.binding, t);
  AnimBindingApply(ordered.binding, 0.1f, nullptr);
  AnimBinding* clone = AnimBindingClone(ordered.binding);
  EXPECT_EQ(clone->target, &target);
  EXPECT_EQ(clone->viewOrder, 1);
  ASSERT_EQ(ListCount(*clone->entries), 1u);
  const BindingEntry* entry = ListAtAs<BindingEntry>(*clone->entries, 0);
  EXPECT_EQ(entry->track, t);
  EXPECT_EQ(ListCount(*entry->cache->contexts), 0u);
  AnimBindingDestroy(clone);
}

// A binding without a target (a node kind without a matrix) runs no program: the random
// sequence the production depends on is not advanced.
TEST(AnimBinding, NoTargetEvaluatesNothing) {
  Tracks owned;
  Binding b(nullptr);
  AnimBindingAddTrack(b.binding, owned.Make({kTrackLinear, 1, 0.0f, {}, {kRand}}));
  const uint32_t state = crt::RandState();
  AnimBindingApply(b.binding, 1.0f, nullptr);
  EXPECT_EQ(crt::RandState(), state);
}

}  // namespace
