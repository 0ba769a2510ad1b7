// Frame costs and the look of the embedded production, clip by clip, on the program's own
// device (Xvfb with Mesa's software OpenGL in CI). The song is sequenced on the main thread
// without sound, so the AudioClock and the sync values at a frame are exactly what playback has
// there, and a frame at audio time t is the same picture on every run.
//
//   bench_production_frames [640x480 | 1280x720 | 1920x1080] [t1 t2 ...]
//
// Without times, two passes through the song. The speed pass draws kFramesPerClip frames
// through every clip in playing order, evenly spaced from the clip's first frame to its last
// (one 50 Hz frame before its end), and prints per clip the median and worst frame time and
// their ratios to a bare frame (one full-screen textured quad, presented), then one summary
// line. Bare frames are drawn between the production's frames (kBareFrames after each), so a
// clip is compared with what the shared machine gave at the same moments, not at the start of
// the run. The look pass draws one frame a second through every clip (clip start + 0.5 s,
// + 1.5 s, ... while inside the clip), each after a lead-in frame 20 ms before it so that the
// sync values and deformations are what playback shows, and prints per clip:
//   lit     share of pixels with luma above 24 of 255, median over the clip's frames
//   motion  mean absolute change per channel between frames 1 s apart, median over the clip
//   held    longest run in seconds of frames 1 s apart that change by less than 1 level
//   glow    at the clip's middle frame, share of pixels that change by more than 4 levels in a
//           channel when the scene is drawn with its glow and with its glow at 0 ("-" when
//           the scene declares none)
//   black   rows at the top and bottom of the middle frame with no lit pixel (letterbox)
//   seams   frames whose top row or left column shows the opposite edge (see EdgeSeam)
// then the line "look: dark clips D, still clips S, glow not visible G, edge seams E": D clips
// lit below 25%, S clips moving less than 5 levels or held still for 4 s, G glowing clips
// whose glow changes less than 5% of the middle frame, E seam frames.
// With times (seconds, sorted ascending before the run): the speed pass of exactly those frames.
// HALVEX_PNG_DIR=<folder> writes the look pass's frames (the given frames with times) as opaque
// PNGs named clipNN_tSSS.SSS.png.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "loader/scene_reader.h"
#include "music/audio_clock.h"
#include "music/music_player.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "platform/testing_d3d9.h"
#include "render/renderer.h"
#include "render/screen_draw.h"
#include "render/target_manager.h"
#include "render/texture_upload.h"
#include "render/transform_state.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"
#include "support/song_clock.h"
#include "support/test_support.h"
#include "texgen/texture.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFramesPerClip = 15;   // odd: frame 7 is the middle one
constexpr float kLastFrame = 0.02f;  // seconds before a clip's end
constexpr int kBareFrames = 2;       // after each production frame
constexpr float kLeadIn = 0.02f;     // seconds between a look frame and the frame before it

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// ---- Frames ------------------------------------------------------------------------------

// A frame as the screen shows it: 0xAARRGGBB words, top row first, alpha 255.
struct Image {
  uint32_t width = 0, height = 0;
  std::vector<uint32_t> pixels;
};

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

// The frame as the screen shows it: the back buffer's colours, opaque. The alpha that blending
// leaves in the back buffer is not shown by the window; written into a PNG it made viewers
// blend the frame over their own background.
Image ReadFrame(Device& device) {
  Image frame{device.width, device.height, d3d9test::ReadBackBuffer(device.device)};
  for (uint32_t& pixel : frame.pixels) pixel |= 0xFF000000u;
  return frame;
}

void WriteFrame(const Image& frame, int clip, float t) {
  const char* dir = std::getenv("HALVEX_PNG_DIR");
  if (!dir) return;
  char name[64];
  std::snprintf(name, sizeof name, "/clip%02d_t%07.3f.png", clip, t);
  testsupport::WritePng((dir + std::string(name)).c_str(), frame.width, frame.height,
                        frame.pixels.data());
}

// The scene drawn once more as it stands (animation and deformation untouched) at the
// timeline time of the audio clock, without fades, and presented.
Image SceneFrame(Device& device, Scene& scene) {
  const float t = static_cast<float>(AudioClockGetMs()) * 0.001f - TimelineInstance->start;
  TimelineBeginFrame();
  SceneRender(scene, t, device, nullptr);
  Image frame = ReadFrame(device);
  TimelineEndFrame();
  return frame;
}

// ---- Image measures ----------------------------------------------------------------------

constexpr double kLitLuma = 24.0;  // of 255

int Channel(uint32_t pixel, int c) { return static_cast<int>(pixel >> (8 * c) & 0xFF); }

// 0..255, with the weights of standard-definition video.
double Luma(uint32_t pixel) {
  return 0.299 * Channel(pixel, 2) + 0.587 * Channel(pixel, 1) + 0.114 * Channel(pixel, 0);
}

double LitShare(const Image& frame) {
  const auto lit = std::count_if(frame.pixels.begin(), frame.pixels.end(),
                                 [](uint32_t p) { return Luma(p) > kLitLuma; });
  return static_cast<double>(lit) / static_cast<double>(frame.pixels.size());
}

// Mean absolute change of red, green and blue between two frames of one size; 0..255.
double MeanChange(const Image& a, const Image& b) {
  double sum = 0.0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    for (int c = 0; c < 3; ++c) sum += std::abs(Channel(a.pixels[i], c) - Channel(b.pixels[i], c));
  return sum / (3.0 * static_cast<double>(a.pixels.size()));
}

// Share of pixels where some channel changes by more than `levels`.
double ChangedShare(const Image& a, const Image& b, int levels) {
  size_t changed = 0;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    changed += testsupport::ColourDifference(a.pixels[i], b.pixels[i]) > levels;
  return static_cast<double>(changed) / static_cast<double>(a.pixels.size());
}

bool RowLit(const Image& frame, uint32_t y) {
  const uint32_t* row = frame.pixels.data() + size_t(y) * frame.width;
  return std::any_of(row, row + frame.width, [](uint32_t p) { return Luma(p) > kLitLuma; });
}

// Rows without a lit pixel at the top plus those at the bottom (the whole height when none is
// lit): the letterbox bands.
uint32_t BlackRows(const Image& frame) {
  uint32_t top = 0, bottom = 0;
  while (top < frame.height && !RowLit(frame, top)) ++top;
  while (bottom < frame.height - top && !RowLit(frame, frame.height - 1 - bottom)) ++bottom;
  return top + bottom;
}

// The luma of `count` pixels from pixel `first`, `step` words apart.
std::vector<double> LumaLine(const Image& frame, size_t first, size_t step, uint32_t count) {
  std::vector<double> line(count);
  for (uint32_t i = 0; i < count; ++i) line[i] = Luma(frame.pixels[first + i * step]);
  return line;
}

double StdDev(const std::vector<double>& x) {
  double mean = 0.0, square = 0.0;
  for (double v : x) mean += v;
  mean /= static_cast<double>(x.size());
  for (double v : x) square += (v - mean) * (v - mean);
  return std::sqrt(square / static_cast<double>(x.size()));
}

// Pearson correlation of two lines of one length; 0 when either is flat.
double Correlation(const std::vector<double>& a, const std::vector<double>& b) {
  const double sa = StdDev(a), sb = StdDev(b);
  if (sa == 0.0 || sb == 0.0) return 0.0;
  double ma = 0.0, mb = 0.0, cross = 0.0;
  for (size_t i = 0; i < a.size(); ++i) ma += a[i], mb += b[i];
  ma /= static_cast<double>(a.size());
  mb /= static_cast<double>(b.size());
  for (size_t i = 0; i < a.size(); ++i) cross += (a[i] - ma) * (b[i] - mb);
  return cross / (static_cast<double>(a.size()) * sa * sb);
}

// A first line that shows the opposite edge: it is not flat (a standard deviation of at least
// 2 levels of luma), follows the last line closely (correlation 0.9 or more) and follows it
// more than its own neighbour (by 0.1 or more). Neighbouring lines of a picture are nearly
// always the most alike; a first line mixed with the last one (wrap addressing sampled across
// the edge) takes the last line's pattern.
bool ShowsOppositeEdge(const std::vector<double>& first, const std::vector<double>& second,
                       const std::vector<double>& last) {
  const double opposite = Correlation(first, last);
  return StdDev(first) >= 2.0 && opposite >= 0.9 && opposite >= Correlation(first, second) + 0.1;
}

// The top row against the bottom one, or the left column against the right one.
bool EdgeSeam(const Image& f) {
  const uint32_t w = f.width, h = f.height;
  const auto row = [&](uint32_t y) { return LumaLine(f, size_t(y) * w, 1, w); };
  const auto column = [&](uint32_t x) { return LumaLine(f, x, w, h); };
  return ShowsOppositeEdge(row(0), row(1), row(h - 1)) ||
         ShowsOppositeEdge(column(0), column(1), column(w - 1));
}

// ---- The passes --------------------------------------------------------------------------

struct Frame {
  float t;
  bool png;
};

float ClipDuration(int index) {
  return ListAtAs<Clip>(*TimelineInstance->clips, static_cast<uint32_t>(index))->duration;
}

int ClipCount() { return static_cast<int>(ListCount(*TimelineInstance->clips)); }

std::vector<Frame> SpeedFrames() {
  std::vector<Frame> frames;
  float start = 0.0f;
  for (int c = 0; c < ClipCount(); ++c) {
    const float span = std::max(0.0f, ClipDuration(c) - kLastFrame);
    for (int i = 0; i < kFramesPerClip; ++i)
      frames.push_back({start + span * static_cast<float>(i) / (kFramesPerClip - 1), false});
    start += ClipDuration(c);
  }
  return frames;
}

// The song from its start, sequenced without sound, and the timeline started with it.
struct Song {
  MusicPlayer* player;
  testsupport::SongClock clock;
};

Song SongStart() {
  Song song{MusicPlayerInit(crt::AlignedNew<MusicPlayer>()), {}};
  song.clock = testsupport::SongClockStart(song.player);
  TimelineStart();
  return song;
}

void SongEnd(Song& song) {
  MusicPlayerCleanup(song.player);
  crt::AlignedDelete(song.player);
}

// The clip covering t (-1: none) and its start.
int ClipAt(float t, float& start) { return TimelineFindClip(*TimelineInstance, t, start); }

struct ClipTimes {
  float start = 0.0f;
  std::vector<double> ms;
  std::vector<double> bare;  // the bare frames drawn between the clip's frames
};

// Renders the frames in order; the frame times grouped by the clip that covers each.
std::vector<ClipTimes> SpeedPass(Device& device, const std::vector<Frame>& frames) {
  Texture image;
  TextureInit2DFiltered(&image, 256, 256, 1);
  for (uint32_t i = 0; i < 256u * 256u; ++i) image.pixels[i] = 0xFF000000u | (i * 2654435761u);
  TextureUpload(&image, device);
  Song song = SongStart();
  std::vector<ClipTimes> clips(ClipCount());
  for (const Frame& frame : frames) {
    testsupport::SongClockAdvance(song.clock, frame.t);
    float acc = 0.0f;
    const int index = ClipAt(frame.t, acc);
    if (index < 0) continue;
    clips[index].start = acc;
    clips[index].ms.push_back(ProductionFrame());
    if (frame.png) WriteFrame(ReadFrame(device), index, frame.t);
    BareFrames(device, image, clips[index].bare);
  }
  SongEnd(song);
  TextureRelease(&image, device);
  TextureFreeImage(&image);
  return clips;
}

struct ClipLook {
  float start = 0.0f;
  std::vector<double> lit;     // per frame
  std::vector<double> motion;  // per frame after the first
  double held = 0.0;           // seconds, the longest run of changes below 1 level
  double glow = -1.0;          // share at the middle frame; below 0: no glow declared
  uint32_t blackRows = 0;
  int seams = 0;
};

// The glow's share of the scene's picture as it stands: drawn with its glow at 0, then as
// declared, the share of pixels that differ by more than 4 levels.
double GlowShare(Device& device, Scene& scene) {
  const float glow = scene.glow;
  scene.glow = 0.0f;
  const Image without = SceneFrame(device, scene);
  scene.glow = glow;
  return ChangedShare(SceneFrame(device, scene), without, 4);
}

// One frame a second through the clip starting at `start`, each after its lead-in frame.
ClipLook LookAtClip(Device& device, Song& song, int index, float start) {
  ClipLook look;
  look.start = start;
  Scene& scene = *ListAtAs<Clip>(*TimelineInstance->clips, static_cast<uint32_t>(index))->scene;
  const int frames = static_cast<int>(std::ceil(ClipDuration(index) - 0.5f));
  Image previous;
  double still = 0.0;
  for (int i = 0; i < frames; ++i) {
    const float t = start + 0.5f + static_cast<float>(i);
    testsupport::SongClockAdvance(song.clock, t - kLeadIn);
    ProductionFrame();
    testsupport::SongClockAdvance(song.clock, t);
    ProductionFrame();
    Image frame = ReadFrame(device);
    WriteFrame(frame, index, t);
    look.lit.push_back(LitShare(frame));
    look.seams += EdgeSeam(frame);
    if (i > 0) {
      look.motion.push_back(MeanChange(frame, previous));
      still = look.motion.back() < 1.0 ? still + 1.0 : 0.0;
      look.held = std::max(look.held, still);
    }
    if (i == frames / 2) {
      look.blackRows = BlackRows(frame);
      if (scene.glow > 0.0f) look.glow = GlowShare(device, scene);
    }
    previous = std::move(frame);
  }
  return look;
}

std::vector<ClipLook> LookPass(Device& device) {
  Song song = SongStart();
  std::vector<ClipLook> clips;
  float start = 0.0f;
  for (int c = 0; c < ClipCount(); ++c) {
    clips.push_back(LookAtClip(device, song, c, start));
    start += ClipDuration(c);
  }
  SongEnd(song);
  return clips;
}

// ---- Reports -----------------------------------------------------------------------------

// Ratios are to the median bare frame drawn with the clip; R is the median of every frame's.
void ReportSpeed(const std::vector<ClipTimes>& clips) {
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

// A still clip moves less than 5 levels (median) or holds a picture for 4 s: four changes in a
// row, frames 1 s apart, below 1 level.
void ReportLook(const std::vector<ClipLook>& clips) {
  std::printf("clip  start s  frames  lit %%  motion  held s  glow %%  black  seams\n");
  int dark = 0, still = 0, dim = 0, seams = 0;
  for (size_t c = 0; c < clips.size(); ++c) {
    const ClipLook& clip = clips[c];
    if (clip.lit.empty()) continue;
    const double lit = 100.0 * Median(clip.lit);
    const double motion = clip.motion.empty() ? 0.0 : Median(clip.motion);
    char glow[16] = "    -";
    if (clip.glow >= 0.0) std::snprintf(glow, sizeof glow, "%5.1f", 100.0 * clip.glow);
    std::printf("%4zu  %7.3f  %6zu  %5.1f  %6.1f  %6.0f  %s  %5u  %5d\n", c, clip.start,
                clip.lit.size(), lit, motion, clip.held, glow, clip.blackRows, clip.seams);
    dark += lit < 25.0;
    still += (!clip.motion.empty() && motion < 5.0) || clip.held >= 4.0;
    dim += clip.glow >= 0.0 && clip.glow < 0.05;
    seams += clip.seams;
  }
  std::printf("look: dark clips %d, still clips %d, glow not visible %d, edge seams %d\n", dark,
              still, dim, seams);
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
  const std::vector<Frame> frames = options.times.empty() ? SpeedFrames() : options.times;
  std::printf("%u x %u, %zu frames\n", device.width, device.height, frames.size());
  ReportSpeed(SpeedPass(device, frames));
  if (options.times.empty()) ReportLook(LookPass(device));
  DeviceShutDown(device);
  return 0;
}
