// The scene script reader on a real Direct3D device (a window on the display): textures and
// meshes are uploaded, render targets made and the loading bar drawn; freeing what the scene
// built gives every Direct3D object back.
#include "fuzz/support.h"
#include "platform/sdl_window.h"
#include "platform/testing.h"
#include "shell/device_startup.h"

namespace {

Device* OpenDevice() {
  static Device device{};
  DeviceInit(&device);
  TestCaptureMessageBoxes(true);
  d3d9test::SetAdapterModes({{640, 480, 60, D3DFMT_X8R8G8B8}});
  FuzzRequire(Win32InitVideo(), "no display");
  FuzzRequire(DeviceCreateDirect3D(device) && DeviceStartUp(device, 64, 48, 0), "no device");
  return &device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (!SceneWithinLimits(data, size)) return -1;
  static Device* device = OpenDevice();
  const int objects = d3d9test::LiveObjects();
  RunSceneAndFree(device, data, size);
  FuzzRequire(d3d9test::LiveObjects() == objects, "Direct3D objects outlive the scene");
  return 0;
}
