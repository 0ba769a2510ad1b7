#pragma once
// One builder per opcode of the scene script. Each constructs its object, reads its header
// (not ticked), then loops over sub-op bytes (one SceneReaderTick each) until sub-op 0, where
// it finishes the object and appends it to its reference list. Sub-op bytes that the kind
// does not know are ignored without reading anything.

#include <cstdint>

struct FontTable;
struct SceneReader;

// A font name and size the script records (nothing draws with them; timed texts refer to them).
struct FontEntry {
  char* name;     // zero-terminated copy, length + 1 bytes
  uint32_t size;  // the size operand
};
// A new entry with its own copy of the name, appended to the table's font list.
FontEntry* FontTableAdd(FontTable& table, const char* name, uint32_t size);

// Groups nest at most this deep: each level pushes one matrix when drawn, and the stack keeps
// its base slot and one slot for the overlay mapping.
constexpr uint32_t kScriptMaxGroupDepth = 30;

void BuildTexture(SceneReader& reader);    // opcode 1
void BuildModel(SceneReader& reader);      // opcode 2
void BuildGroup(SceneReader& reader);      // opcode 3
void BuildLight(SceneReader& reader);      // opcode 4
void BuildCamera(SceneReader& reader);     // opcode 5
void BuildKind3Node(SceneReader& reader);  // opcode 6
void BuildTrack(SceneReader& reader);      // opcode 7
void BuildScene(SceneReader& reader);      // opcode 9
void BuildTimeline(SceneReader& reader);   // opcode 10
void BuildFont(SceneReader& reader);       // opcode 12
void BuildMaterial(SceneReader& reader);   // opcode 13
