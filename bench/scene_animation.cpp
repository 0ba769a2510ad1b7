// Scene animation on the CPU: one frame of SceneAnimate over a group of 1,000 leaves, each
// moved by a binding on a looping cubic track with one note-driven transform program (the
// shape of the stored programs: consume an input, decay, clamp, rotate), against the same
// frame with key poses only; plus building a 10 x 10 x 10 jittered grid and cloning it. Prints
// microseconds per frame, nanoseconds per binding and the cost ratio of the programs.

#include <chrono>
#include <cstdio>
#include <vector>

#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"

namespace {

constexpr int kLeaves = 1000;
constexpr int kFrames = 300;

using Clock = std::chrono::steady_clock;

// r0.x += c14.x; c14.x = 0; r0.x -= c1.x * 4; clamp r0.x to 0..20; r1.y = r0.x; rotate r1.
const std::vector<uint8_t> kProgram = {
    0x80, 0xA0,      0xE4, 0xC0 | 14,                       // add.s r0(xyzw), c14
    0x8F, 0xC0 | 14, 0x40, 0,         0,    0, 0,           // mov.s c14, 0.0
    0x8F, 0xA2,      0xE4, 0xC0 | 1,                        // mov.s r2(xyzw), c1
    0x82, 0xA2,      0xE4, 0x40,      0,    0, 0x80, 0x40,  // mul.s r2, 4.0
    0x81, 0xA0,      0xE4, 0xA2,      0xE4,                 // sub.s r0, r2
    0x87, 0xA0,      0xE4, 0x40,      0,    0, 0,    0,     // max.s r0, 0.0
    0x86, 0xA0,      0xE4, 0x40,      0,    0, 0xA0, 0x41,  // min.s r0, 20.0
    0x8F, 0xA1,      0x55, 0xA0,      0xE4,                 // mov.s r1(yyyy), r0
    0x15, 0xA1,      0xE4, 0x00,                            // rotate r1
};

struct Track {
  AnimTrack track;
  std::vector<TrackKey> keys;
  std::vector<Vec3> positions;
  std::vector<Quaternion> rotations;
  TransformProgram* program = nullptr;

  explicit Track(bool withProgram) : keys(6), positions(6), rotations(6) {
    AnimTrackInit(&track, 1, 1);
    for (int i = 0; i < 6; ++i) {
      positions[i] = Vec3{static_cast<float>(i), static_cast<float>(i % 2), 0.0f};
      QuaternionFromEulerDeg(rotations[i], 0.0f, 30.0f * i, 0.0f);
      Pose pose;
      PoseInit(pose, &positions[i], &rotations[i]);
      AnimTrackAddKey(track, TrackKeyInit(&keys[i], pose, 0.5f * i));
    }
    if (withProgram) {
      program = TransformProgramCreate();
      TransformProgramAssign(*program, kProgram.data(), static_cast<uint32_t>(kProgram.size()));
      AnimTrackAddProgram(track, program);
    }
  }
  ~Track() {
    ListDestroy(track.keys);
    ListDestroy(track.programs);
    TransformProgramDestroy(program);
  }
};

// Microseconds per SceneAnimate frame over kLeaves bound leaves.
double AnimateFrame(Track& track) {
  Scene* scene = SceneCreate();
  GroupNode* group = GroupNodeCreate(nullptr);
  SceneAddNode(*scene, reinterpret_cast<SceneNode*>(group));
  for (int i = 0; i < kLeaves; ++i) {
    LeafNode* leaf = LeafNodeCreate(nullptr, nullptr);
    GroupNodeAddChild(*group, reinterpret_cast<SceneNode*>(leaf));
    AnimBinding* binding =
        AnimBindingInitNode(crt::AlignedNew<AnimBinding>(), *reinterpret_cast<SceneNode*>(leaf));
    AnimBindingAddTrack(*binding, &track.track);
    GroupNodeAddBinding(*group, binding);
  }
  SyncValues sync{};
  auto start = Clock::now();
  for (int f = 0; f < kFrames; ++f) {
    sync.value[12] = (f % 8 == 0) ? 1.0f : 0.0f;
    SceneAnimate(*scene, f / 60.0f, &sync);
  }
  double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / kFrames;
  SceneDestroy(scene);
  return us;
}

// Microseconds to build a jittered 10 x 10 x 10 grid and to clone the group it fills.
void GridAndClone(double& buildUs, double& cloneUs) {
  constexpr int kRuns = 20;
  buildUs = cloneUs = 0.0;
  for (int run = 0; run < kRuns; ++run) {
    GroupNode* group = GroupNodeCreate(nullptr);
    LeafNode* templ = LeafNodeCreate(nullptr, nullptr);
    GroupNodeAddChild(*group, reinterpret_cast<SceneNode*>(templ));
    GridCopies grid{1, 1, 1, 10, 10, 10, 0.2f, 15.0f, 0.1f, 3, 1, 1, 1};
    auto t0 = Clock::now();
    GroupNodeAddGridCopies(*group, *reinterpret_cast<SceneNode*>(templ), grid);
    auto t1 = Clock::now();
    GroupNode* clone = GroupNodeClone(*group);
    auto t2 = Clock::now();
    buildUs += std::chrono::duration<double, std::micro>(t1 - t0).count() / kRuns;
    cloneUs += std::chrono::duration<double, std::micro>(t2 - t1).count() / kRuns;
    GroupNodeDestroy(clone);
    GroupNodeDestroy(group);
  }
}

}  // namespace

int main() {
  Track keysOnly(false);
  Track withProgram(true);
  double plain = AnimateFrame(keysOnly);
  double programmed = AnimateFrame(withProgram);
  std::printf("animate %d bindings, key poses only : %8.1f us/frame  %6.1f ns/binding\n", kLeaves,
              plain, plain * 1000.0 / kLeaves);
  std::printf("animate %d bindings, with program   : %8.1f us/frame  %6.1f ns/binding\n", kLeaves,
              programmed, programmed * 1000.0 / kLeaves);
  std::printf("program cost ratio                   : %8.2f x\n", programmed / plain);
  double buildUs, cloneUs;
  GridAndClone(buildUs, cloneUs);
  std::printf("10x10x10 jittered grid build         : %8.1f us (%.1f ns/copy)\n", buildUs,
              buildUs * 1000.0 / 999);
  std::printf("clone of the 1,000-leaf group        : %8.1f us (%.2f x the build)\n", cloneUs,
              cloneUs / buildUs);
  return 0;
}
