// Tracks and bindings: which entry covers a time, the rest matrix, key poses, programs fed by
// the sync values, context lifetime and clones. Transform byte code: operand decoding and
// swizzles, the per-component and whole-vector operations, matrix operations, and how a run
// ends on bad or cut-off code. The deformers that move an animated model's vertices, over the
// trigonometric tables (the expected values are the exact sines, so a wrong table shows too).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "mesh/trig_tables.h"
#include "scene/deformer.h"
#include "scene_fixture.h"
#include "tests/support/test_support.h"

namespace {

using scenetest::TrackSpec;

// translate by c0 (time since the track start).
const scenetest::Bytes kByTime = {0x14, 0xC0, 0x00};
// rand r0, 1.0
const scenetest::Bytes kRand = {0x10, 0xA0, 0xE4, 0x40, 0x00, 0x00, 0x80, 0x3F};

struct Binding {
  AnimBinding binding;
  explicit Binding(Matrix* target) { AnimBindingInit(&binding, target, 0); }
  ~Binding() { AnimBindingCleanup(binding); }
};

// A binding restores the rest (y = 5) before every apply, then the first entry whose track
// covers t ([start, end], end = start + last key time) moves x: the pair around t
// interpolated, a looping track wrapped, a cubic one with its neighbour keys as tangent
// points (Catmull-Rom, the first key standing in before the first pair). At t = end the
// track covers but poses nothing. Expected cubic values are the Hermite sums by hand.
TEST(AnimBinding, FirstCoveringEntryPosesTheTargetOverItsRest) {
  using Tracks = std::vector<TrackSpec>;
  const Tracks linear{{kTrackLinear, 0, 1.0f, {{0, 0}, {2, 4}}, {}}},
      looping{{kTrackLinear, 1, 1.0f, {{0, 0}, {2, 8}}, {}}},
      cubic{{1, 0, 0.0f, {{0, 0}, {1, 1}, {2, 5}, {3, 6}}, {}}},
      // an empty track covering t = 0 only, then a moving one
      twoTracks{{kTrackLinear, 0, 0.0f, {}, {}}, {kTrackLinear, 0, 0.0f, {{0, 0}, {1, 10}}, {}}},
      none, flatLoop{{kTrackLinear, 1, 1.0f, {}, {kByTime}}},  // length 0: raw time
      endThenMove{linear[0], {kTrackLinear, 0, 0.0f, {{0, 0}, {6, 12}}, {}}};
  // tracks, time, x and y of the target
  const std::tuple<const Tracks*, float, float, float> rows[] = {
      {&linear, 2.0f, 2.0f, 5.0f},      {&linear, 3.0f, 0.0f, 5.0f},
      {&linear, 0.5f, 0.0f, 5.0f},      {&looping, 7.5f, 2.0f, 5.0f},
      {&looping, 0.5f, 0.0f, 5.0f},     {&cubic, 1.25f, 1.859375f, 5.0f},
      {&cubic, 0.25f, 0.109375f, 5.0f}, {&twoTracks, 0.0f, 0.0f, 5.0f},
      {&twoTracks, 0.5f, 5.0f, 5.0f},   {&none, 0.5f, 0.0f, 5.0f},
      {&flatLoop, 7.25f, 6.25f, 11.25f}, {&endThenMove, 3.0f, 0.0f, 5.0f}};
  for (auto [tracks, t, x, y] : rows) {
    SCOPED_TRACE(testing::Message() << "t " << t << ", " << tracks->size() << " tracks");
    scenetest::Tracks owned;
    Matrix target = scenetest::Placed({0, 5, 0});
    Binding b(&target);
    for (const TrackSpec& spec : *tracks) AnimBindingAddTrack(b.binding, owned.Make(spec));
    for (int again = 0; again < 2; ++again) {  // not accumulated over applies
      target.m[12] = 99.0f;
      AnimBindingApply(b.binding, t, nullptr);
      EXPECT_TRUE(std::fabs(target.m[12] - x) < 1e-5f && target.m[13] == y) << target.m[12];
    }
  }
}

// The counter adds sync input 12 to its input register, which it never clears: per context
// the sum grows 0 + 2 + 1 = 3, 3 + 4 + 1 = 8, without sync 8 + 4 + 1 = 13. Another binding on
// the track has its own context; released contexts restart from zero.
TEST(AnimBinding, ProgramsAccumulateSyncInputsPerContextUntilReleased) {
  scenetest::Tracks owned;
  AnimTrack* t = owned.Make({kTrackLinear, 1, 0.0f, {}, {scenetest::kCounter}});
  Matrix target = scenetest::Placed({0, 0, 0}), other = target;
  Binding b(&target), b2(&other);
  for (Binding* each : {&b, &b2}) AnimBindingAddTrack(each->binding, t);
  SyncValues sync{};
  sync.value[12] = 2.0f;
  for (auto [time, feed, sum] :
       {std::tuple{0.1f, &sync, 3.0f}, {0.2f, &sync, 8.0f}, {0.3f, nullptr, 13.0f}}) {
    AnimBindingApply(b.binding, time, feed);
    EXPECT_FLOAT_EQ(target.m[12], sum) << time;
  }
  AnimBindingApply(b2.binding, 0.3f, nullptr);
  EXPECT_FLOAT_EQ(other.m[12], 1.0f);
  AnimBindingReleaseContexts(b.binding);
  AnimBindingApply(b.binding, 0.4f, nullptr);
  EXPECT_FLOAT_EQ(target.m[12], 1.0f);

  // A clone keeps target and tracks, with a fresh cache (its view order: the scene clone test).
  AnimBinding* clone = AnimBindingClone(b.binding);
  ASSERT_EQ(ListCount(*clone->entries), 1u);
  const BindingEntry* entry = ListAtAs<BindingEntry>(*clone->entries, 0);
  EXPECT_TRUE(clone->target == &target && entry->track == t);
  EXPECT_EQ(ListCount(*entry->cache->contexts), 0u);
  AnimBindingDestroy(clone);
}

// rand draws once per component of its destination. A binding without a target (a node kind
// without a matrix) runs no program: the random sequence the production depends on is not
// advanced.
TEST(AnimBinding, ProgramsRunOnlyWithATarget) {
  scenetest::Tracks owned;
  AnimTrack* track = owned.Make({kTrackLinear, 1, 0.0f, {}, {kRand}});
  Matrix target = scenetest::Placed({0, 0, 0});
  for (Matrix* to : {static_cast<Matrix*>(nullptr), &target}) {
    Binding b(to);
    AnimBindingAddTrack(b.binding, track);
    const uint32_t state = crt::RandState();
    AnimBindingApply(b.binding, 1.0f, nullptr);
    EXPECT_EQ(testsupport::DrawsBetween(state, crt::RandState()), to ? 4 : 0);
  }
}

// Byte-code builder: opcodes and operands in stream order.
struct Code {
  std::vector<uint8_t> bytes;
  Code& Put(std::initializer_list<uint8_t> b) {
    bytes.insert(bytes.end(), b);
    return *this;
  }
  Code& Op(uint8_t op, bool scalar = false) { return Put({uint8_t(op | (scalar ? 0x80 : 0))}); }
  Code& R(uint8_t index) { return Put({uint8_t(0x80 | index)}); }
  Code& Rs(uint8_t index, uint8_t swizzle = 0xE4) { return Put({uint8_t(0xA0 | index), swizzle}); }
  Code& C(uint8_t index) { return Put({uint8_t(0xC0 | index)}); }
  Code& Imm(float value) {
    uint8_t raw[4];
    std::memcpy(raw, &value, 4);
    return Put({0x40, raw[0], raw[1], raw[2], raw[3]});
  }
  Code& None() { return Put({0x00}); }
};

// Equal within float rounding of the expected value; NaN matches NaN.
bool Same(float actual, float expected) {
  if (std::isnan(expected)) return std::isnan(actual);
  return std::fabs(actual - expected) <= 1e-6f * std::max(1.0f, std::fabs(expected));
}

class TransformProgramTest : public testing::Test {
 protected:
  ~TransformProgramTest() override {
    TransformContextCleanup(*context);
    crt::AlignedDelete(context);
    TransformProgramDestroy(program);
  }
  void Run(const Code& code) {
    TransformProgramAssign(*program, code.bytes.data(), static_cast<uint32_t>(code.bytes.size()));
    TransformProgramRun(*program, *context, target);
  }
  Vec4& r(int i) { return context->r[i]; }
  TransformProgram* program = TransformProgramCreate();
  TransformContext* context = TransformContextCreate(program);
  Matrix target = scenetest::Placed({0, 0, 0});
};

// Each row sets r0..rN, runs its code and checks one register (r, or c).
// Operand registers without a swizzle byte read component i from element 3 - i (0x1B), so a
// straight copy stays straight and a scalar write lands on w. Scalar operations on x with an
// immediate: min and max take the source on NaN and on equality. The set operations compare
// y with x into z. Cross, normalize and dot ignore immediates and keep w (dot fills all four);
// a zero vector stays unnormalized. Source type 0 leaves the destination; destination type 0
// reads no source, so the next instruction still decodes.
TEST_F(TransformProgramTest, OperationsAndOperandDecoding) {
  const float nan = std::nanf("");
  const Vec4 v1234{1, 2, 3, 4};
  // registers r0.., code, the register read back, its expected value
  using Row = std::tuple<std::vector<Vec4>, Code, const Vec4*, Vec4>;
  std::vector<Row> rows = {
      {{}, Code().Op(15, true).Rs(0).Imm(5), &r(0), {5, 0, 0, 0}},
      {{}, Code().Op(15, true).R(1).Imm(7), &r(1), {0, 0, 0, 7}},
      {{}, Code().Op(15).R(2).Imm(2), &r(2), {2, 2, 2, 2}},
      {{{}, {}, {}, v1234}, Code().Op(15).R(4).R(3), &r(4), v1234},
      {{{}, {}, {}, v1234}, Code().Op(15).Rs(5).Rs(3, 0x1B), &r(5), {4, 3, 2, 1}},
      {{{}, {}, {}, v1234}, Code().Op(15).C(40).Rs(3), &context->c[40], v1234},
      {{{}, {}, {}, v1234}, Code().Op(15).Rs(6).Rs(3, 0x55), &r(6), {2, 2, 2, 2}},
      {{{1, 0, 0, 7}, {0, 1, 0, 9}}, Code().Op(12).R(0).R(1), &r(0), {0, 0, 1, 7}},
      {{{3, 0, 4, 5}}, Code().Op(13).R(0).None(), &r(0), {0.6f, 0, 0.8f, 5}},
      {{{0, 0, 0, 2}}, Code().Op(13).R(0).None(), &r(0), {0, 0, 0, 2}},
      {{{1, 2, 3, 100}, {4, 5, 6, 100}}, Code().Op(14).R(0).R(1), &r(0), {32, 32, 32, 32}},
      {{v1234}, Code().Op(12).R(0).Imm(1).Op(14).R(0).Imm(1), &r(0), v1234},
      {{v1234}, Code().Op(0).R(0).None().Op(0).None().Op(15, true).Rs(1).Imm(9), &r(0), v1234},
      {{}, Code().Op(0).None().Op(15, true).Rs(1).Imm(9), &r(1), {9, 0, 0, 0}}};
  auto add = [&](Vec4 r0, const Code& code, Vec4 expected) {
    rows.push_back({{r0}, code, &r(0), expected});
  };
  const float sin4 = std::sin(4.0f), cos4 = std::cos(4.0f), tan4 = std::tan(4.0f);
  const struct {
    uint8_t op;
    float d, s, expected;
  } scalars[] = {{0, 6, 4, 10},   {1, 6, 4, 2},    {2, 6, 4, 24},    {3, 6, 4, 1.5f},
                 {4, 6, 4, 1296}, {5, 6, 4, 2},    {6, 6, 4, 4},     {7, 6, 4, 6},
                 {8, 6, 4, sin4}, {9, 6, 4, cos4}, {10, 6, 4, tan4}, {11, 6, 4, 2},
                 {15, 6, 4, 4},   {6, nan, 3, 3},  {7, 2, nan, nan}, {6, 2, 2, 2}};
  for (const auto& c : scalars)
    add({c.d, c.d, c.d, c.d}, Code().Op(c.op, true).Rs(0).Imm(c.s), {c.expected, c.d, c.d, c.d});
  const struct {
    uint8_t op;
    float x, y, z;
  } sets[] = {{17, 2, 2, 1}, {17, 2, 3, 0}, {18, 2, 3, 1},  {18, 3, 2, 0},
              {19, 3, 2, 1}, {19, 2, 3, 0}, {18, nan, 1, 0}};
  for (const auto& c : sets) add({c.x, c.y, 5, 6}, Code().Op(c.op).R(0).None(), {c.x, c.y, c.z, 6});
  for (const auto& [regs, code, out, expected] : rows) {
    SCOPED_TRACE(testing::Message() << "row " << &regs - &std::get<0>(rows[0]));
    for (Vec4& reg : context->r) reg = Vec4{0, 0, 0, 0};
    std::copy(regs.begin(), regs.end(), context->r);
    Run(code);
    EXPECT_TRUE(Same(out->x, expected.x) && Same(out->y, expected.y) && Same(out->z, expected.z) &&
                Same(out->w, expected.w))
        << out->x << " " << out->y << " " << out->z << " " << out->w;
  }
}

// Assigning copies the caller's bytes. Translate, rotate and scale move the target in stream
// order; an immediate destination (which is written nowhere) leaves it. c0 is the time, c1 the
// step since the last time (never negative), inputs 0..31 sit in c2..c33 (others are dropped).
TEST_F(TransformProgramTest, MatrixOperationsTimeAndInputs) {
  uint8_t bytes[3] = {1, 2, 3};
  TransformProgramAssign(*program, bytes, 3);
  bytes[0] = 9;
  EXPECT_EQ(program->code[0], 1);
  r(0) = Vec4{1, 2, 3, 0};
  r(1) = Vec4{0, 90, 0, 0};
  r(2) = Vec4{2, 2, 2, 0};
  Run(Code().Op(20).R(0).None().Op(21).R(1).None().Op(22).R(2).None().Op(20).Imm(5).None());
  const Matrix expected = scenetest::Placed({1, 2, 3}, {0, 90, 0}, {2, 2, 2});
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(target.m[i], expected.m[i]) << i;
  for (auto [time, step] : {std::pair{2.0f, 2.0f}, {2.5f, 0.5f}, {1.0f, 0.0f}}) {
    TransformContextSetTime(*context, time);
    EXPECT_TRUE(context->c[0].w == time && context->c[1].x == step) << time;
  }
  TransformContextSetInput(*context, 12, 0.75f);
  TransformContextSetInput(*context, 32, 1.0f);
  EXPECT_TRUE(TransformContextGetInput(*context, 12) == 0.75f && context->c[14].y == 0.75f);
  EXPECT_TRUE(TransformContextGetInput(*context, 32) == 0.0f && context->c[34].x == 0.0f);
}

// An unknown opcode, an immediate cut after two of its four bytes or a swizzle byte missing
// at the end stop the run: the translate before it moved the context's matrix but never the
// target, and nothing is read past the code.
TEST_F(TransformProgramTest, UnknownOpcodeOrCutInstructionLeavesTargetAsBefore) {
  const Code translate = Code().Op(20).R(0).None();
  for (const Code& tail : {Code().Op(23), Code().Op(15).R(1).Put({0x40, 0x00, 0x00}),
                           Code().Op(13).Put({0x80 | 0x20})}) {
    r(0) = Vec4{1, 2, 3, 0};
    r(1) = Vec4{0, 0, 0, 0};
    Code code = translate;
    code.bytes.insert(code.bytes.end(), tail.bytes.begin(), tail.bytes.end());
    Run(code);
    EXPECT_EQ(target.m[12], 0.0f) << int(tail.bytes[0]);
    EXPECT_EQ(r(1).w, 0.0f);
  }
  EXPECT_EQ(context->matrix.m[12], 1.0f);
}

// The deformers read the trigonometric tables the device start-up builds.
struct DeformerTest : testing::Test {
  void SetUp() override { TrigTablesCreate(); }
  void TearDown() override { TrigTablesDestroy(); }
};

// Runs `deformers` over vertices at the positions into a target of 0xCD bytes and returns the
// new positions. Every other field must come through unchanged.
std::vector<Vec3> Deform(std::vector<Deformer> deformers, const std::vector<Vec3>& at,
                         const std::vector<int32_t>& phases, float time, float radius) {
  List* list = ListCreate();
  for (Deformer& d : deformers) ListAppend(*list, &d);
  std::vector<Vertex> source, target(at.size());
  for (Vec3 p : at) source.push_back({p, {1, 0, 0}, 0x80402010u, 0.25f, 0, {1, 0, 0}, {0, 9}});
  std::memset(target.data(), 0xCD, sizeof(Vertex) * target.size());
  DeformVertices(target.data(), source.data(), phases.data(), static_cast<uint32_t>(at.size()),
                 time, *list, radius);
  ListDestroy(list);
  std::vector<Vec3> out;
  for (size_t i = 0; i < at.size(); ++i) {
    out.push_back(target[i].position);
    target[i].position = at[i];
    EXPECT_EQ(std::memcmp(&target[i], &source[i], sizeof(Vertex)), 0) << "vertex " << i;
  }
  return out;
}

Deformer Make(uint32_t type, float speed, float amplitude, uint8_t x, uint8_t y, uint8_t z) {
  return Deformer{type, 0, speed, amplitude, x, y, z};
}

// idx = (phase + T) mod 62830, T = speed x time x 10000 rounded, low 32 bits. Wave: shift by
// sin(idx) x amplitude x radius on the flagged axes. Pulse: scale by 1 - amplitude x (1 - half
// sine). Twist: turn about the flagged axes in the order x, y, z by half sine x amplitude of a
// full turn (the normal is not turned). Each deformer starts from the source, so the last
// known one shows; unknown types are skipped and none copies the source.
TEST_F(DeformerTest, DeformersMoveFlaggedAxesByTheirCycle) {
  const Deformer wave = Make(kDeformerWave, 2.0f, 0.5f, 0, 1, 0);
  const Deformer twistZ = Make(kDeformerTwist, 0.0f, 0.5f, 0, 0, 1);
  const Deformer unknown = Make(7, 1.0f, 1.0f, 1, 1, 1),
                 pulse = Make(kDeformerPulse, 0, 1, 1, 1, 1);
  const float longSine = std::sin(static_cast<float>(5000000000ull % 4294967296ull % 62830) *
                                  0.0001f);  // 5e9 steps would be INT32_MIN as a plain int
  // deformers, position, phase, time, radius, expected position
  using Row = std::tuple<std::vector<Deformer>, Vec3, int32_t, float, float, Vec3>;
  const Row rows[] = {
      {{wave}, {1, 2, 3}, 15708, 0.0f, 4.0f, {1, 4, 3}},
      {{wave}, {1, 2, 3}, 0, 1.0f, 4.0f, {1, 2 + std::sin(2.0f) * 2.0f, 3}},
      {{wave}, {1, 2, 3}, 62830 - 20000, 1.0f, 4.0f, {1, 2, 3}},  // wraps to exactly 0
      {{Make(kDeformerWave, 1, 1, 1, 0, 0)}, {0, 0, 0}, 0, 500000.0f, 1.0f, {longSine, 0, 0}},
      {{Make(kDeformerPulse, 1, 0, 1, 0, 1)}, {2, -4, 6}, 1234, 3.5f, 1.0f, {2, -4, 6}},
      {{Make(kDeformerPulse, 1, 1, 1, 0, 1)}, {2, -4, 6}, 0, 0.0f, 1.0f, {1, -4, 3}},
      {{twistZ}, {1, 0, 0}, 0, 0.0f, 1.0f, {0, 1, 0}},
      {{Make(kDeformerTwist, 0, 0.5f, 1, 0, 1)}, {0, 1, 0}, 0, 0.0f, 1.0f, {0, 0, 1}},
      {{pulse, Make(kDeformerWave, 0, 1, 0, 0, 1), unknown}, {2, 2, 2}, 15708, 0, 1, {2, 2, 3}},
      {{unknown}, {2, 2, 2}, 0, 2.0f, 1.0f, {2, 2, 2}}};
  for (const auto& [deformers, at, phase, time, radius, expected] : rows) {
    SCOPED_TRACE(testing::Message() << deformers.size() << " deformers, phase " << phase);
    Vec3 off;
    Vec3Sub(off, Deform(deformers, {at}, {phase}, time, radius)[0], expected);
    EXPECT_LT(Vec3Length(off), 1e-4f);
  }
}

// Amplitudes out of range still pick a degree inside the table: distances are kept.
TEST_F(DeformerTest, TwistKeepsDistancesForAnyAmplitude) {
  for (float amplitude : {-0.3f, -7.9f, 1e12f, -1e12f}) {
    const Deformer twist = Make(kDeformerTwist, 1.0f, amplitude, 1, 1, 1);
    for (Vec3 p : Deform({twist}, {{3, 4, 0}, {0, 3, 4}}, {100, 40000}, 0.7f, 1.0f))
      EXPECT_NEAR(Vec3Length(p), 5.0f, 1e-4f) << amplitude;
  }
}

}  // namespace
