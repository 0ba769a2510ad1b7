// Opcodes 4, 5 and 7: light and camera templates that scenes copy, and animation tracks.
#include "loader/builder_common.h"
#include "loader/builders.h"
#include "math/quaternion.h"
#include "math/vec.h"
#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/transform_program.h"

namespace {

// The smallest step of the script's fixed-point values: the floor for values that must stay
// above 0.
constexpr float kScriptStep = 1.0f / 256.0f;

// A key at `time` with a position and a rotation; the track owns the records.
void AddKey(AnimTrack& track, float x, float y, float z, Quaternion* rotation, float time) {
  Vec3* position = crt::AlignedNew<Vec3>();
  Vec3Set(*position, x, y, z);
  Pose pose;
  PoseInit(pose, position, rotation);
  AnimTrackAddKey(track, TrackKeyInit(crt::AlignedNew<TrackKey>(), pose, time));
}

void ReadKey(SceneReader& reader, AnimTrack& track, bool quaternion) {
  float p[3];
  for (float& v : p) v = ReadFixed16(reader);
  Quaternion* rotation = crt::AlignedNew<Quaternion>();
  if (quaternion) {  // eight values only: x, y, z, w, then the time
    float q[4];
    for (float& v : q) v = ReadFixed16(reader);
    QuaternionSet(*rotation, q[0], q[1], q[2], q[3]);
  } else {
    float ax = ReadFixed16(reader), ay = ReadFixed16(reader), az = ReadFixed16(reader);
    QuaternionFromEulerDeg(*rotation, ax, ay, az);
  }
  AddKey(track, p[0], p[1], p[2], rotation, ReadFixed16(reader));
}

void ReadProgram(SceneReader& reader, AnimTrack& track) {
  uint32_t length = 0;
  uint8_t* bytes = ReadBlob(reader, &length);
  TransformProgram* program = TransformProgramCreate();
  TransformProgramAssign(*program, bytes, length);
  crt::AlignedFree(bytes);
  AnimTrackAddProgram(track, program);
}

}  // namespace

void BuildTrack(SceneReader& reader) {
  uint32_t interpolation = ReadByte(reader);
  uint8_t loop = ReadByte(reader) != 0 ? 1 : 0;
  AnimTrack* track = AnimTrackInit(crt::AlignedNew<AnimTrack>(), interpolation, loop);
  ReadSubOps(reader, [&](uint32_t sub) {
    if (sub == 1 || sub == 3) ReadKey(reader, *track, sub == 3);
    if (sub == 2) ReadProgram(reader, *track);
  });
  ListAppend(*reader.lists[kListTracks], track);
}

void BuildLight(SceneReader& reader) {
  Light* light = LightInit(crt::AlignedNew<Light>());
  light->enabled = 1;
  ReadSubOps(reader, [&](uint32_t sub) {
    if (sub >= 1 && sub <= 3) {
      float* colours[] = {light->diffuse, light->specular, light->ambient};
      UnpackColor(colours[sub - 1], ReadColor(reader));
    } else if (sub == 4 || sub == 5) {
      float value = ReadFixed16(reader);
      if (sub == 4) light->range = value > 0.0f ? value : kScriptStep;  // a range stays above 0
    }
  });
  ListAppend(*reader.lists[kListLights], light);
}

namespace {

// Camera sub-ops 1 to 6. The height fraction stays in (0, 1], the field of view in (0, 180)
// degrees and the viewport height above 0, where the projection is defined.
void ApplyCameraSubOp(SceneReader& reader, Camera& camera, uint32_t sub) {
  float v[3] = {};
  if (sub == 1) {  // x, y, width, height; a height of 0 would leave the aspect undefined
    uint32_t x = ReadU16(reader), y = ReadU16(reader), w = ReadU16(reader), h = ReadU16(reader);
    CameraSetViewport(camera, x, y, w, h > 0 ? h : 1);
  } else if (sub == 2) {
    float fraction = ReadFixed8(reader);
    CameraSetHeightFraction(camera, fraction <= 0.0f  ? kScriptStep
                                    : fraction > 1.0f ? 1.0f
                                                      : fraction);
  } else if (sub == 3) {
    for (int i = 0; i < 3; ++i) v[i] = ReadFixed16(reader);
    CameraTranslateView(camera, v[0], v[1], v[2]);
  } else if (sub == 4 || sub == 5) {
    for (int i = 0; i < 3; ++i) v[i] = ReadFixed8(reader);
    if (sub == 4) CameraRotateView(camera, v[0], v[1], v[2]);
    if (sub == 5) CameraScaleView(camera, v[0], v[1], v[2]);
  } else if (sub == 6) {
    float degrees = ReadFixed16(reader);
    if (degrees <= 0.0f) degrees = kScriptStep;
    if (degrees >= 180.0f) degrees = 180.0f - kScriptStep;
    camera.fieldOfView = degrees;
  }
}

}  // namespace

void BuildCamera(SceneReader& reader) {
  Camera* camera = CameraInit(crt::AlignedNew<Camera>(), reader.device);
  ReadSubOps(reader, [&](uint32_t sub) { ApplyCameraSubOp(reader, *camera, sub); });
  ListAppend(*reader.lists[kListCameras], camera);
}
