// Tracks and bindings: which entry covers a time, the rest matrix, key poses, programs fed by
// the sync values, context lifetime and clones. The deformers that move an animated model's
// vertices, over the trigonometric tables (the expected values are the exact sines, so a wrong
// table shows too).
#include <cmath>
#include <cstring>

#include "scene/deformer.h"
#include "scene_fixture.h"

namespace {

using scenetest::Bytes;
using scenetest::kCounter;
using scenetest::TrackSpec;

// translate by c0 (time since the track start).
const Bytes kByTime = {0x14, 0xC0, 0x00};
// rand r0, 1.0
const Bytes kRand = {0x10, 0xA0, 0xE4, 0x40, 0x00, 0x00, 0x80, 0x3F};

struct Binding {
  AnimBinding binding;
  Binding(Matrix* target, uint8_t order = 0) { AnimBindingInit(&binding, target, order); }
  ~Binding() { AnimBindingCleanup(binding); }
};

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
    scenetest::Tracks owned;
    Matrix target = scenetest::Placed({0, 5, 0});
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
  scenetest::Tracks owned;
  AnimTrack* t = owned.Make({kTrackLinear, 1, 0.0f, {}, {kCounter}});
  Matrix target = scenetest::Placed({0, 0, 0}), other = target;
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
  scenetest::Tracks owned;
  Binding b(nullptr);
  AnimBindingAddTrack(b.binding, owned.Make({kTrackLinear, 1, 0.0f, {}, {kRand}}));
  const uint32_t state = crt::RandState();
  AnimBindingApply(b.binding, 1.0f, nullptr);
  EXPECT_EQ(crt::RandState(), state);
}

struct TrigFixture : testing::Test {
  void SetUp() override { TrigTablesCreate(); }
  void TearDown() override { TrigTablesDestroy(); }
};

Vertex MakeVertex(Vec3 at) {
  return Vertex{at, {1, 0, 0}, 0x80402010u, 0.25f, 0, {1, 0, 0}, {0, 9}};
}

// Runs `deformers` over the sources into a target of 0xCD bytes. Every field but the position
// must come through unchanged and the source is never written.
std::vector<Vertex> Deform(std::vector<Deformer> deformers, const std::vector<Vertex>& source,
                           const std::vector<int32_t>& phases, float time, float radius) {
  List* list = ListCreate();
  for (Deformer& d : deformers) ListAppend(*list, &d);
  const std::vector<Vertex> before = source;
  std::vector<Vertex> target(source.size());
  std::memset(target.data(), 0xCD, sizeof(Vertex) * target.size());
  DeformVertices(target.data(), source.data(), phases.data(), static_cast<uint32_t>(source.size()),
                 time, *list, radius);
  ListDestroy(list);
  EXPECT_EQ(std::memcmp(before.data(), source.data(), sizeof(Vertex) * source.size()), 0);
  for (size_t i = 0; i < source.size(); ++i) {
    Vertex copy = target[i];
    copy.position = source[i].position;
    EXPECT_EQ(std::memcmp(&copy, &source[i], sizeof copy), 0) << "vertex " << i;
  }
  return target;
}

Deformer Make(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y, uint8_t z) {
  return Deformer{type, 0, speed, amplitude, x, y, z};
}

// idx = (phase + T) mod 62830, T = speed x time x 10000 rounded, low 32 bits. Wave: shift by
// sin(idx) x amplitude x radius on the flagged axes. Pulse: scale by 1 - amplitude x (1 - half
// sine). Twist: turn about the flagged axes in the order x, y, z by half sine x amplitude of a
// full turn (the normal is not turned). Each deformer starts from the source, so the last
// known one shows; unknown types are skipped and none copies the source.
TEST_F(TrigFixture, DeformersMoveFlaggedAxesByTheirCycle) {
  const Deformer wave = Make(kDeformerWave, 2.0f, 0.5f, 0, 1, 0);
  const Deformer twistZ = Make(kDeformerTwist, 0.0f, 0.5f, 0, 0, 1);
  const Deformer unknown = Make(7, 1.0f, 1.0f, 1, 1, 1),
                 pulse = Make(kDeformerPulse, 0, 1, 1, 1, 1);
  const float longSine = std::sin(static_cast<float>(5000000000ull % 4294967296ull % 62830) *
                                  0.0001f);  // 5e9 steps would be INT32_MIN as a plain int
  const struct {
    std::vector<Deformer> deformers;
    Vec3 position;
    int32_t phase;
    float time, radius;
    Vec3 expected;
  } rows[] = {
      {{wave}, {1, 2, 3}, 0, 0.0f, 4.0f, {1, 2, 3}},
      {{wave}, {1, 2, 3}, 15708, 0.0f, 4.0f, {1, 4, 3}},
      {{wave}, {1, 2, 3}, 0, 1.0f, 4.0f, {1, 2 + std::sin(2.0f) * 2.0f, 3}},
      {{wave}, {1, 2, 3}, 62830 - 20000, 1.0f, 4.0f, {1, 2, 3}},  // wraps to exactly 0
      {{Make(kDeformerWave, 1, 1, 1, 0, 0)}, {0, 0, 0}, 0, 500000.0f, 1.0f, {longSine, 0, 0}},
      {{Make(kDeformerPulse, 1, 0, 1, 0, 1)}, {2, -4, 6}, 1234, 3.5f, 1.0f, {2, -4, 6}},
      {{Make(kDeformerPulse, 1, 1, 1, 0, 1)}, {2, -4, 6}, 0, 0.0f, 1.0f, {1, -4, 3}},
      {{twistZ}, {1, 0, 0}, 0, 0.0f, 1.0f, {0, 1, 0}},
      {{Make(kDeformerTwist, 0, 0.5f, 1, 0, 1)}, {0, 1, 0}, 0, 0.0f, 1.0f, {0, 0, 1}},
      {{pulse, Make(kDeformerWave, 0, 1, 0, 0, 1), unknown}, {2, 2, 2}, 15708, 0, 1, {2, 2, 3}},
      {{unknown}, {2, 2, 2}, 0, 2.0f, 1.0f, {2, 2, 2}},
      {{}, {2, 2, 2}, 0, 2.0f, 1.0f, {2, 2, 2}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(&row - rows);
    const Vec3 out =
        Deform(row.deformers, {MakeVertex(row.position)}, {row.phase}, row.time, row.radius)[0]
            .position;
    EXPECT_NEAR(out.x, row.expected.x, 1e-4f);
    EXPECT_NEAR(out.y, row.expected.y, 1e-4f);
    EXPECT_NEAR(out.z, row.expected.z, 1e-4f);
  }
}

// Amplitudes out of range still pick a degree inside the table: distances are kept.
TEST_F(TrigFixture, TwistKeepsDistancesForAnyAmplitude) {
  for (float amplitude : {-0.3f, -7.9f, 1e12f, -1e12f}) {
    const std::vector<Vertex> out =
        Deform({Make(kDeformerTwist, 1.0f, amplitude, 1, 1, 1)},
               {MakeVertex({3, 4, 0}), MakeVertex({0, 3, 4})}, {100, 40000}, 0.7f, 1.0f);
    for (const Vertex& v : out) EXPECT_NEAR(Vec3Length(v.position), 5.0f, 1e-4f) << amplitude;
  }
}

}  // namespace
