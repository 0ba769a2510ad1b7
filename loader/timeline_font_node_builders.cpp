// Opcodes 10, 12 and 6: the timeline's clips, font records and kind-3 nodes.
#include <cstring>

#include "loader/builder_common.h"
#include "loader/builders.h"
#include "platform/crt.h"
#include "scene/kind3_node.h"
#include "scene/timeline.h"

namespace {

// Sub-op 1: a clip; one whose scene does not resolve is dropped (the timeline reads the clip's
// scene every frame).
void ReadClip(SceneReader& reader) {
  Scene* scene = ReadSceneRef(reader);
  float duration = ReadFixed16(reader);
  uint32_t kind = ReadByte(reader);
  float fade = ReadFixed8(reader);
  uint32_t color = ReadColor(reader);
  if (!scene || !reader.timeline) return;
  TimelineAddClip(*reader.timeline, crt::AlignedNew<Clip>(scene, duration, fade, kind, color));
}

// Sub-op 2: a timed text; read completely, nothing of it is kept.
void SkipTimedText(SceneReader& reader) {
  crt::AlignedFree(ReadString(reader));
  ReadFontRef(reader);
  ReadColor(reader);
  ReadFixed16(reader);
  ReadFixed16(reader);
  ReadFixed8(reader);
  for (int i = 0; i < 4; ++i) ReadU16(reader);
}

}  // namespace

void BuildTimeline(SceneReader& reader) {
  ReadSubOps(reader, [&](uint32_t sub) {
    if (sub == 1) ReadClip(reader);
    if (sub == 2) SkipTimedText(reader);
  });
}

FontEntry* FontTableAdd(FontTable& table, const char* name, uint32_t size) {
  size_t length = std::strlen(name);
  char* copy = static_cast<char*>(crt::AlignedAlloc(length + 1));
  std::memcpy(copy, name, length + 1);
  FontEntry* entry = crt::AlignedNew<FontEntry>(copy, size);
  ListAppend(*table.fonts, entry);
  return entry;
}

void BuildFont(SceneReader& reader) {
  char* name = ReadString(reader);
  uint32_t size = ReadU16(reader);
  if (reader.timeline) {
    ListAppend(*reader.fonts, FontTableAdd(*reader.timeline->fonts, name, size));
  }
  crt::AlignedFree(name);
  ReadSubOps(reader, [](uint32_t) {});  // filler bytes up to the 0, one tick each
}

namespace {

void ReadVector(SceneReader& reader, Vec4& v) {
  v.x = ReadFixed8(reader);
  v.y = ReadFixed8(reader);
  v.z = ReadFixed8(reader);
}

void ApplyNodeSubOp(SceneReader& reader, Kind3Node& node, uint32_t sub) {
  switch (sub) {
    case 1: node.count = static_cast<uint16_t>(ReadU16(reader)); break;
    case 2: node.value1 = ReadFixed8(reader); break;
    case 3:
      if (Texture* texture = ReadTextureRef(reader)) node.texture = texture;
      break;
    case 4: node.value2 = ReadFixed8(reader); break;
    case 5:
      node.color1 = ReadColor(reader);
      node.color2 = ReadColor(reader);
      break;
    case 6: ReadVector(reader, node.vector1); break;
    case 7: ReadVector(reader, node.vector4); break;
    case 8: node.color3 = ReadColor(reader); break;
    case 9: node.value3 = ReadFixed8(reader); break;
    case 10: node.value4 = ReadFixed8(reader); break;
    case 11: ReadVector(reader, node.vector3); break;
    default: break;
  }
}

}  // namespace

void BuildKind3Node(SceneReader& reader) {
  Kind3Node* node = Kind3NodeCreateB();
  ReadSubOps(reader, [&](uint32_t sub) { ApplyNodeSubOp(reader, *node, sub); });
  ListAppend(*reader.lists[kListKind3Nodes], node);
}
