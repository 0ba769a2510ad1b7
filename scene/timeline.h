#pragma once
// The Timeline: the clips of the production in playing order, the time base read from the
// AudioClock, and the 16 sync values that the music's note-ons feed into the transform
// programs. One per run, reached by the per-frame functions through TimelineInstance.
#include <cstdint>

#include "math/list.h"

struct Device;
struct Scene;

// One value per song track, the accumulated note velocities / 128. The note callback adds
// with one atomic read-modify-write and the main thread takes each value and zeroes it in one
// atomic exchange, so a note arriving meanwhile is neither lost nor counted twice.
struct SyncValues {
  float value[16];
};

// Exchanges every value of `shared` with 0 and returns what they held (main thread).
SyncValues SyncValuesTake(SyncValues& shared);

struct FontTable {
  List* fonts;
  List* second;
  Device* device;
};

enum : uint32_t { kClipColorFade = 2 };

struct Clip {
  Scene* scene;    // not owned
  float duration;  // seconds
  float fade;      // seconds
  uint32_t kind;   // kClipColorFade: a colour fade at the clip's start; other values none
  uint32_t color;  // 0xAARRGGBB, alpha ignored
};

struct Timeline {
  List* clips;       // Clip*
  float start;       // audio seconds that are time 0
  SyncValues* sync;  // owned
  FontTable* fonts;  // owned; filled by the loader only
  Device* device;
  Scene* currentScene;  // the scene of the previous rendered frame
};

// The run's timeline, set by TimelineCreate; the per-frame functions use it.
extern Timeline* TimelineInstance;

// Allocates the timeline (and makes it TimelineInstance): start = audio ms x 0.001.
Timeline* TimelineCreate(Device* device);
FontTable* FontTableCreate(Device* device);
void TimelineAddClip(Timeline& timeline, Clip* clip);
// SceneStoreRest of every clip's scene, in clip order.
void TimelineStoreRest();
// start = audio ms x 0.001; current scene = null.
void TimelineStart();
void TimelineBeginFrame();
// Animates and renders the clip that covers the audio time; false when none does (the end).
bool TimelineRenderFrame();
void TimelineEndFrame();
// The colour fades of clip `index` (starting at acc) at time t: its own while t - acc is below
// its fade, the next clip's while (acc + duration) - t is below the next one's.
void TimelineDrawFades(const Timeline& timeline, uint32_t index, float t, float acc);
// Draws the first frame of every clip (its scene animated at the clip's start, without sync
// values, and its fades) into a target of a quarter of the back buffer's width and height
// (the rasteriser's variants depend on the states, not the size) inside one frame that
// presents the picture already shown, so that the programs and the rasteriser's variants the
// playback needs are made before it starts. Puts back what playback would see: transform
// programs restart, dynamic meshes hold their undeformed vertices, every render target is
// recreated transparent black, the 2D state is closed and the alpha test off. readMessages
// (null: none) reads the window's messages after each clip; once it says false no further
// clip is drawn and the frame ends as above.
void TimelineWarmUp(bool (*readMessages)());
// The music player's note callback (sequencer thread): for track 0..15 adds velocity / 128 to
// that track's sync value. context is the Timeline; null or another track changes nothing.
void TimelineOnNote(void* context, int32_t track, uint8_t note, uint8_t velocity);

// Index of the clip covering t and its start acc, or -1 (pure; used by TimelineRenderFrame).
int32_t TimelineFindClip(const Timeline& timeline, float t, float& acc);
// Fade alpha 0..255 = round(255 x (1 - elapsed / fade)), for elapsed < fade.
uint32_t TimelineFadeAlpha(float elapsed, float fade);
