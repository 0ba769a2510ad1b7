#include "loader/scene_reader.h"

#include <cstring>

#include "loader/builders.h"
#include "loader/scene_script.h"
#include "music/audio_clock.h"
#include "platform/crt.h"
#include "scene/timeline.h"

SceneReader* SceneReaderCreate(Device* device) {
  return SceneReaderCreateFrom(device, kSceneScript, kSceneScriptSize);
}

SceneReader* SceneReaderCreateFrom(Device* device, const uint8_t* script, uint32_t size) {
  SceneReader* reader = crt::AlignedNew<SceneReader>();
  reader->copy = static_cast<uint8_t*>(crt::AlignedAlloc(size + 1));  // zero-filled
  std::memcpy(reader->copy, script, size);
  reader->size = size;
  reader->device = device;
  reader->timeline = TimelineCreate(device);
  reader->expectedTicks = (size >= 2) ? script[0] | (uint32_t{script[1]} << 8) : 0;
  for (List*& list : reader->lists) list = ListCreate();
  reader->fonts = ListCreate();
  return reader;
}

namespace {

// Runs the builder of one opcode; opcodes without a builder read nothing more.
void DispatchOp(SceneReader& reader, uint32_t opcode) {
  switch (opcode) {
    case kOpTexture: BuildTexture(reader); break;
    case kOpModel: BuildModel(reader); break;
    case kOpGroup: BuildGroup(reader); break;
    case kOpLight: BuildLight(reader); break;
    case kOpCamera: BuildCamera(reader); break;
    case kOpKind3Node: BuildKind3Node(reader); break;
    case kOpTrack: BuildTrack(reader); break;
    case kOpScene: BuildScene(reader); break;
    case kOpTimeline: BuildTimeline(reader); break;
    case kOpFont: BuildFont(reader); break;
    case kOpMaterial: BuildMaterial(reader); break;
    default: break;
  }
}

}  // namespace

Timeline* RunSceneScript(SceneReader& reader) {
  reader.ticks = 0;
  reader.cursor = reader.copy + (reader.size < 2 ? reader.size : 2);
  reader.startTime = crt::RoundToInt(static_cast<float>(AudioClockGetMs()) * 0.001f);
  for (;;) {
    uint32_t opcode = ReadByte(reader);
    SceneReaderTick(reader);
    if (opcode == kOpEnd || reader.stopped) return reader.timeline;
    DispatchOp(reader, opcode);
  }
}

uint32_t ReadByte(SceneReader& reader) {
  if (static_cast<uint32_t>(reader.cursor - reader.copy) > reader.size) return 0;
  return *reader.cursor++;
}

uint32_t ReadU16(SceneReader& reader) {
  uint32_t high = ReadByte(reader);
  return (high << 8) | ReadByte(reader);
}

float ReadFixed8(SceneReader& reader) { return static_cast<float>(ReadU16(reader)) / 256.0f; }

float ReadFixed16(SceneReader& reader) {
  uint32_t word = ReadByte(reader) << 24;
  word |= ReadByte(reader) << 16;
  word |= ReadByte(reader) << 8;
  return static_cast<float>(static_cast<int32_t>(word)) * (1.0f / 65536.0f);
}

uint32_t ReadColor(SceneReader& reader) {
  uint32_t red = ReadByte(reader);
  uint32_t green = ReadByte(reader);
  uint32_t blue = ReadByte(reader);
  uint32_t alpha = ReadByte(reader);
  return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

uint8_t* ReadBlob(SceneReader& reader, uint32_t* length) {
  uint32_t n = ReadByte(reader);
  uint8_t* bytes = static_cast<uint8_t*>(crt::AlignedAlloc(n + 1));  // zero-filled: terminated
  for (uint32_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(ReadByte(reader));
  *length = n;
  return bytes;
}

char* ReadString(SceneReader& reader) {
  uint32_t length = 0;
  return reinterpret_cast<char*>(ReadBlob(reader, &length));
}

namespace {

// A reference byte goes through the end test like every other read, so a reference past the
// end of the data reads as index 0.
template <class T>
T* ReadRef(SceneReader& reader, List* list) {
  int32_t index = static_cast<int8_t>(ReadByte(reader));
  if (index < 0) return nullptr;
  return ListAtAs<T>(*list, static_cast<uint32_t>(index));  // null at or beyond the count
}

}  // namespace

Texture* ReadTextureRef(SceneReader& r) { return ReadRef<Texture>(r, r.lists[kListTextures]); }
Material* ReadMaterialRef(SceneReader& r) { return ReadRef<Material>(r, r.lists[kListMaterials]); }
Model* ReadModelRef(SceneReader& r) { return ReadRef<Model>(r, r.lists[kListModels]); }
GroupNode* ReadGroupRef(SceneReader& r) { return ReadRef<GroupNode>(r, r.lists[kListGroups]); }
Light* ReadLightRef(SceneReader& r) { return ReadRef<Light>(r, r.lists[kListLights]); }
Camera* ReadCameraRef(SceneReader& r) { return ReadRef<Camera>(r, r.lists[kListCameras]); }
Kind3Node* ReadKind3NodeRef(SceneReader& r) {
  return ReadRef<Kind3Node>(r, r.lists[kListKind3Nodes]);
}
AnimTrack* ReadTrackRef(SceneReader& r) { return ReadRef<AnimTrack>(r, r.lists[kListTracks]); }
Scene* ReadSceneRef(SceneReader& r) { return ReadRef<Scene>(r, r.lists[kListScenes]); }
FontEntry* ReadFontRef(SceneReader& r) { return ReadRef<FontEntry>(r, r.fonts); }

ScriptTransform ReadTransform(SceneReader& reader) {
  ScriptTransform t;
  for (float& v : t.translate) v = ReadFixed16(reader);
  for (float& v : t.rotate) v = ReadFixed16(reader);
  for (float& v : t.scale) v = ReadFixed16(reader);
  return t;
}

float* UnpackColor(float out[4], uint32_t color) {
  const float kInv255 = static_cast<float>(1.0 / 255.0);
  for (int i = 0; i < 4; ++i) out[i] = static_cast<float>((color >> (24 - 8 * i)) & 0xFF) * kInv255;
  return out;
}
