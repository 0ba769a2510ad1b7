// The program's own start-up and frame costs, phase by phase as the main body runs them: the
// Direct3D object and modes, the window and device with the rendering state, the scene
// script, the clip starts drawn off-screen, and the idle pass (resize check, the timeline's frame,
// present) in a window of 640 x 480 and of 1280 x 960. The audio clock stands still (no music), so
// every frame draws the production's opening. Prints milliseconds per phase, frames per second and
// their ratio. Run under a display (Xvfb with Mesa's software OpenGL in CI).

#include <chrono>
#include <cstdio>

#include "loader/scene_reader.h"
#include "platform/crt.h"
#include "platform/sdl_window.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void PumpMessages() {
  MSG message{};
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

// Frames per second of `frames` idle passes.
double FramesPerSecond(Device& device, int frames) {
  const Clock::time_point start = Clock::now();
  for (int i = 0; i < frames; ++i) {
    PumpMessages();
    DeviceHandleResize(device);
    TimelineBeginFrame();
    TimelineRenderFrame();
    TimelineEndFrame();
  }
  return frames / (MsSince(start) / 1000.0);
}

// One run at width x height, windowed; returns its frames per second.
double Run(uint32_t width, uint32_t height) {
  Device& device = *DeviceInit(crt::AlignedNew<Device>());
  Clock::time_point start = Clock::now();
  if (!DeviceCreateDirect3D(device)) return 0.0;
  const double direct3dMs = MsSince(start);
  start = Clock::now();
  if (!DeviceStartUp(device, width, height, 0)) return 0.0;
  const double startUpMs = MsSince(start);
  start = Clock::now();
  // The reader and what it builds live until the process ends, as in the program.
  TimelineInstance = RunSceneScript(*SceneReaderCreate(&device));
  TimelineStoreRest();
  const double loadMs = MsSince(start);
  start = Clock::now();
  TimelineWarmUp(nullptr);
  const double warmUpMs = MsSince(start);
  TimelineStart();
  FramesPerSecond(device, 10);  // caches warm
  const double fps = FramesPerSecond(device, 200);
  start = Clock::now();
  DeviceShutDown(device);
  std::printf(
      "%4u x %4u: Direct3D and modes %.1f ms, window and device %.1f ms, scene script %.1f ms, "
      "clip starts drawn %.1f ms, %.1f frames/s, shutdown %.1f ms\n",
      width, height, direct3dMs, startUpMs, loadMs, warmUpMs, fps, MsSince(start));
  return fps;
}

}  // namespace

int main() {
  if (!Win32InitVideo()) {
    std::printf("no display\n");
    return 0;
  }
  const double small = Run(640, 480);
  const double large = Run(1280, 960);
  if (large > 0.0) std::printf("frame rate 640 x 480 / 1280 x 960: %.2f\n", small / large);
  return 0;
}
