// Frame costs of the embedded production, clip by clip, on the program's own device (Xvfb with
// Mesa's software OpenGL in CI). The song is sequenced on the main thread without sound, so the
// AudioClock and the sync values at a frame are exactly what playback has there, and a frame at
// audio time t is the same picture on every run.
//
//   bench_production_frames [640x480 | 1280x720 | 1920x1080] [t1 t2 ...]
//
// Without times: kFramesPerClip frames through every clip in playing order, evenly spaced
// from the clip's first frame to its last (one 50 Hz frame before its end). With times (seconds,
// sorted ascending before the run): exactly those frames. HALVEX_PNG_DIR=<folder> writes the
// start, middle and end frame of every clip (every frame when times are given) as
// clipNN_tSSS.SSS.png. Prints per clip the median and worst frame time and their ratios to a
// bare frame (one full-screen textured quad, presented), then one summary line. Bare frames are
// drawn between the production's frames (kBareFrames after each), so a clip is compared with what
// the shared machine gave at the same moments, not at the start of the run.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loader/scene_reader.h"
#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "render/target_manager.h"
#include "render/texture_upload.h"
#include "render/transform_state.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"
#include "support/test_support.h"
#include "texgen/texture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFramesPerClip = 15;   // odd: frame 7 is the middle one
constexpr float kLastFrame = 0.02f;  // seconds before a clip's end
constexpr int kBareFrames = 2;       // after each production frame

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// ---- The song, sequenced without sound ---------------------------------------------------

// The sequencer thread's loop, stepped by hand: blocks of 100 frames advance the AudioClock
// (nothing is mixed) and each event is handled once the position reaches it, so the note
// callback feeds the timeline's sync values as during playback.
struct SongClock {
  MusicPlayer* player;
  int32_t position = 0;  // units of 44 frames
  int32_t due = 0;
  int track = 0;
  const SongEvent* event = nullptr;
  bool more = false;
};

void NextEvent(SongClock& clock) {
  uint32_t d = 0;
  clock.more = SequencerNextEvent(clock.player, &clock.track, &clock.event, &d);
  clock.due = clock.position + 20 * static_cast<int32_t>(d);
}

SongClock SongClockStart(MusicPlayer* player) {
  MusicPlayerLoadSong(player, kEmbeddedSong, kEmbeddedSongSize);
  MusicPlayerSetNoteCallback(player, TimelineOnNote, TimelineInstance);
  AudioClockReset();
  SongClock clock{player};
  NextEvent(clock);
  return clock;
}

// Handles every event due up to `seconds` of audio and leaves the clock there (rounded up to
// the next 100-frame block). Time only moves forward.
void SongClockAdvance(SongClock& clock, double seconds) {
  const double frames = seconds * kSoundRate;
  for (;;) {
    while (clock.more && clock.position >= clock.due) {
      SequencerHandleEvent(clock.player, clock.track, clock.event);
      NextEvent(clock);
    }
    if (AudioClockGetFrames() >= frames) return;
    AudioClockAdvance(kSoundBlockFrames);
    clock.position = SequencerPosition();
  }
}

// ---- Frames ------------------------------------------------------------------------------

// One production frame as the program's idle pass draws it; milliseconds.
double ProductionFrame() {
  const Clock::time_point start = Clock::now();
  TimelineBeginFrame();
  TimelineRenderFrame();
  TimelineEndFrame();
  return MsSince(start);
}

// kBareFrames frames that draw one full-screen textured quad; their times in milliseconds. The
// transform push and pop leave the state the production's last frame left open.
void BareFrames(Device& device, Texture& image, std::vector<double>& times) {
  for (int i = 0; i < kBareFrames; ++i) {
    const Clock::time_point start = Clock::now();
    TargetManagerBeginScene(*device.targetManager);
    TransformStateBeginOverlay(*device.transformState);
    RendererSetShaderMode(device.renderer->shaders, kShaderModeScreenQuad);
    RendererDrawScreenImage(*device.renderer, &image, 1.0f, 1.0f);
    TransformStateEndOverlay(*device.transformState);
    TargetManagerEndFrame(*device.targetManager);
    times.push_back(MsSince(start));
  }
}

void WriteFrame(Device& device, int clip, float t) {
  const char* dir = std::getenv("HALVEX_PNG_DIR");
  if (!dir) return;
  char name[64];
  std::snprintf(name, sizeof name, "/clip%02d_t%07.3f.png", clip, t);
  const std::vector<uint32_t> pixels = d3d9test::ReadBackBuffer(device.device);
  testsupport::WritePng((dir + std::string(name)).c_str(), device.width, device.height,
                        pixels.data());
}

// ---- The run -----------------------------------------------------------------------------

struct Frame {
  float t;
  bool png;
};

float ClipDuration(int index) {
  return ListAtAs<Clip>(*TimelineInstance->clips, static_cast<uint32_t>(index))->duration;
}

std::vector<Frame> DefaultFrames() {
  std::vector<Frame> frames;
  float start = 0.0f;
  for (uint32_t c = 0; c < ListCount(*TimelineInstance->clips); ++c) {
    const float span = std::max(0.0f, ClipDuration(static_cast<int>(c)) - kLastFrame);
    for (int i = 0; i < kFramesPerClip; ++i) {
      const bool png = i == 0 || i == kFramesPerClip / 2 || i == kFramesPerClip - 1;
      frames.push_back({start + span * static_cast<float>(i) / (kFramesPerClip - 1), png});
    }
    start += ClipDuration(static_cast<int>(c));
  }
  return frames;
}

struct ClipTimes {
  float start = 0.0f;
  std::vector<double> ms;
  std::vector<double> bare;  // the bare frames drawn between the clip's frames
};

// Renders the frames in order; the frame times grouped by the clip that covers each.
std::vector<ClipTimes> RenderFrames(Device& device, const std::vector<Frame>& frames) {
  Texture image;
  TextureInit2DFiltered(&image, 256, 256, 1);
  for (uint32_t i = 0; i < 256u * 256u; ++i) image.pixels[i] = 0xFF000000u | (i * 2654435761u);
  TextureUpload(&image, device);
  MusicPlayer* player = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
  SongClock clock = SongClockStart(player);
  TimelineStart();
  std::vector<ClipTimes> clips(ListCount(*TimelineInstance->clips));
  for (const Frame& frame : frames) {
    SongClockAdvance(clock, frame.t);
    float acc = 0.0f;
    const int index = TimelineFindClip(*TimelineInstance, frame.t, acc);
    if (index < 0) continue;
    clips[index].start = acc;
    clips[index].ms.push_back(ProductionFrame());
    if (frame.png) WriteFrame(device, index, frame.t);
    BareFrames(device, image, clips[index].bare);
  }
  MusicPlayerCleanup(player);
  crt::AlignedDelete(player);
  TextureRelease(&image, device);
  TextureFreeImage(&image);
  return clips;
}

// Ratios are to the median bare frame drawn with the clip; R is the median of every frame's.
void Report(const std::vector<ClipTimes>& clips) {
  std::printf("clip  start s  frames  bare ms  median ms  worst ms  median/bare  worst/bare\n");
  std::vector<double> ratios;
  double worstClipRatio = 0.0, worstOverMedian = 0.0;
  for (size_t c = 0; c < clips.size(); ++c) {
    const ClipTimes& clip = clips[c];
    if (clip.ms.empty()) continue;
    const double median = Median(clip.ms), bare = Median(clip.bare);
    const double worst = *std::max_element(clip.ms.begin(), clip.ms.end());
    std::printf("%4zu  %7.3f  %6zu  %7.2f  %9.2f  %8.2f  %11.2f  %10.2f\n", c, clip.start,
                clip.ms.size(), bare, median, worst, median / bare, worst / bare);
    for (double ms : clip.ms) ratios.push_back(ms / bare);
    worstClipRatio = std::max(worstClipRatio, median / bare);
    worstOverMedian = std::max(worstOverMedian, worst / median);
  }
  if (ratios.empty()) return;
  std::printf(
      "production: median ratio %.2f, worst clip median ratio %.2f, worst frame over its clip "
      "median %.2f\n",
      Median(ratios), worstClipRatio, worstOverMedian);
}

struct Options {
  uint32_t width = 1280, height = 720;
  std::vector<Frame> times;  // empty: the default run
};

bool ParseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    if (std::strchr(argv[i], 'x')) {
      if (std::sscanf(argv[i], "%ux%u", &options.width, &options.height) != 2) return false;
      const uint64_t size = uint64_t{options.width} << 32 | options.height;
      if (size != (640ull << 32 | 480) && size != (1280ull << 32 | 720) &&
          size != (1920ull << 32 | 1080))
        return false;
    } else {
      char* end = nullptr;
      const float t = std::strtof(argv[i], &end);
      if (end == argv[i] || *end != '\0' || !(t >= 0.0f)) return false;
      options.times.push_back({t, true});
    }
  }
  std::sort(options.times.begin(), options.times.end(),
            [](const Frame& a, const Frame& b) { return a.t < b.t; });
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: %s [640x480|1280x720|1920x1080] [seconds ...]\n", argv[0]);
    return 2;
  }
  if (!Win32InitVideo()) {
    std::printf("no display: nothing measured\n");
    return 0;
  }
  Device& device = *DeviceInit(crt::AlignedNew<Device>());
  if (!DeviceCreateDirect3D(device) || !DeviceStartUp(device, options.width, options.height, 0))
    return 1;
  // The reader and what it builds live until the process ends, as in the program.
  TimelineInstance = RunSceneScript(*SceneReaderCreate(&device));
  TimelineStoreRest();
  TimelineWarmUp(nullptr);  // as the program does before play
  const std::vector<Frame> frames = options.times.empty() ? DefaultFrames() : options.times;
  std::printf("%u x %u, %zu frames\n", device.width, device.height, frames.size());
  Report(RenderFrames(device, frames));
  DeviceShutDown(device);
  return 0;
}
