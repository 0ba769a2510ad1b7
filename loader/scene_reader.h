#pragma once
// SceneReader: walks the embedded scene script once at start-up and builds every texture,
// material, model, group, light, camera, kind-3 node, track, scene, clip and font of the
// production. The reader and everything it built stay allocated for the whole run.
//
// Stream: u16 little-endian expected tick count, then opcode records (one opcode byte, its
// header, its sub-ops), ending with opcode 0. Every multi-byte operand after the header is
// big-endian; there is no length field and no alignment. Main thread only.

#include <cstdint>

#include "math/list.h"

struct Device;
struct Timeline;
struct Texture;
struct Material;
struct Model;
struct GroupNode;
struct Light;
struct Camera;
struct Kind3Node;
struct AnimTrack;
struct Scene;
struct FontEntry;

// Indices of the reference lists. List 8 is kept for the layout: nothing fills or reads it.
enum ScriptList : uint32_t {
  kListTextures = 0,
  kListMaterials = 1,
  kListModels = 2,
  kListGroups = 3,
  kListLights = 4,
  kListCameras = 5,
  kListKind3Nodes = 6,
  kListTracks = 7,
  kListUnused = 8,
  kListScenes = 9,
  kListCount = 10,
};

// Opcodes of the stream; 8, 11 and 14 to 255 consume only themselves.
enum ScriptOp : uint8_t {
  kOpEnd = 0,
  kOpTexture = 1,
  kOpModel = 2,
  kOpGroup = 3,
  kOpLight = 4,
  kOpCamera = 5,
  kOpKind3Node = 6,
  kOpTrack = 7,
  kOpScene = 9,
  kOpTimeline = 10,
  kOpFont = 12,
  kOpMaterial = 13,
};

struct SceneReader {
  uint8_t* copy;       // private zero-filled copy: size + 1 bytes, so one 0 byte follows the script
  uint32_t size;       // script bytes
  uint8_t* cursor;     // next byte to read; null until RunSceneScript
  int32_t startTime;   // audio time in whole seconds when the run began
  Timeline* timeline;  // made by TimelineCreate at creation; the clips fill it; the result
  Device* device;      // the device given at creation; without a renderer nothing is drawn
  uint32_t expectedTicks;   // header value: the tick count that stands for 100 per cent
  uint32_t ticks;           // ticks counted so far
  List* lists[kListCount];  // objects of each kind in creation order (owned nothing)
  List* fonts;              // FontEntry records of the font opcode
  // Called after every loading-bar redraw to read the window's messages; false ends the load
  // (null: the load always runs to its end).
  bool (*readMessages)();
  uint8_t stopped;  // 1 once readMessages said false: the script stops at its next opcode
};

// Builds the reader over the embedded script (kSceneScript); see SceneReaderCreateFrom.
SceneReader* SceneReaderCreate(Device* device);
// Builds the reader over any script: copy of `size` bytes plus one 0 byte, expected ticks
// from the first two bytes (little-endian; 0 when the script is shorter), empty lists.
SceneReader* SceneReaderCreateFrom(Device* device, const uint8_t* script, uint32_t size);
// Runs the opcode loop from offset 2 until opcode 0, the end of the data or a stop (a texture
// stops at its next operation) and returns the reader's timeline.
Timeline* RunSceneScript(SceneReader& reader);

// ---- Readers: every read goes through the end test ----------------------------------------

// Next byte and cursor + 1; once the cursor has passed copy + size (the trailing 0 read), 0
// without moving.
uint32_t ReadByte(SceneReader& reader);
uint32_t ReadU16(SceneReader& reader);  // big-endian
// Unsigned 8.8 fixed point: 0.0 to 255.99609375 in steps of 1/256 (exact).
float ReadFixed8(SceneReader& reader);
// Signed 16.8 fixed point: the three bytes are the top of a 32-bit two's-complement integer,
// divided by 65536: -32768.0 to 32767.99609375 in steps of 1/256 (exact).
float ReadFixed16(SceneReader& reader);
// Bytes R, G, B, A to the word 0xAARRGGBB.
uint32_t ReadColor(SceneReader& reader);
// Length byte n, then n bytes: a new zero-terminated block of n + 1 bytes (crt::AlignedAlloc;
// the caller frees it with crt::AlignedFree).
char* ReadString(SceneReader& reader);
uint8_t* ReadBlob(SceneReader& reader, uint32_t* length);

// One signed byte: the index into the kind's list; null when negative or not below the count.
Texture* ReadTextureRef(SceneReader& reader);
Material* ReadMaterialRef(SceneReader& reader);
Model* ReadModelRef(SceneReader& reader);
GroupNode* ReadGroupRef(SceneReader& reader);
Light* ReadLightRef(SceneReader& reader);
Camera* ReadCameraRef(SceneReader& reader);
Kind3Node* ReadKind3NodeRef(SceneReader& reader);
AnimTrack* ReadTrackRef(SceneReader& reader);
Scene* ReadSceneRef(SceneReader& reader);
FontEntry* ReadFontRef(SceneReader& reader);

// Nine fixed16 values in stream order: translate x, y, z; rotate x, y, z (degrees); scale.
struct ScriptTransform {
  float translate[3];
  float rotate[3];
  float scale[3];
};
ScriptTransform ReadTransform(SceneReader& reader);

// out = alpha, red, green, blue of the word 0xAARRGGBB, each byte x (1/255 as a float), so
// 255 gives exactly 1.0. Returns out.
float* UnpackColor(float out[4], uint32_t color);

// ---- Loading bar -----------------------------------------------------------------------------

// Counts one tick; the process's first call and every fifteenth after it draw a loading frame
// (when the reader has a device with a renderer) and then read the window's messages.
void SceneReaderTick(SceneReader& reader);

// Bar geometry for a back buffer of width x height: the frame rectangle and the filled bar,
// as left, bottom, right, top pixels of the overlay mapping.
struct LoadingBarRects {
  int32_t frame[4];  // 104 x 14 around the centre
  int32_t bar[4];    // up to 100 x 10, growing right from the frame's inner left edge
};
// percent = ticks / expected x 100 to the nearest integer, clamped to 0..100; an expected count
// of 0 counts as full.
uint32_t LoadingBarPercent(uint32_t ticks, uint32_t expected);
LoadingBarRects LoadingBarLayout(uint32_t width, uint32_t height, uint32_t percent);
