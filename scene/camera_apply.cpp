// The camera's viewports and its application to the device's TransformState.
#include "platform/crt.h"
#include "render/device.h"
#include "render/transform_state.h"
#include "scene/camera.h"
#include "texgen/texture.h"

namespace {

// The target's size, or the back buffer's without target.
void TargetSize(const Camera& camera, const Texture* target, uint32_t& w, uint32_t& h) {
  w = target ? target->width : DeviceGetWidth(*camera.device);
  h = target ? target->height : DeviceGetHeight(*camera.device);
}

void SetOnDevice(Camera& camera, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  CameraSetViewport(camera, x, y, w, h);
  const ViewportRect& v = *camera.viewport;
  DeviceSetViewport(*camera.device, v.x, v.y, v.w, v.h);
}

}  // namespace

void CameraSetFullViewport(Camera& camera, const Texture* target) {
  uint32_t w, h;
  TargetSize(camera, target, w, h);
  SetOnDevice(camera, 0, 0, w, h);
}

void CameraSetLetterboxViewport(Camera& camera, const Texture* target) {
  uint32_t w, h;
  TargetSize(camera, target, w, h);
  float fh = static_cast<float>(h);
  float fraction = camera.heightFraction;
  int32_t band = crt::RoundToInt(fh * fraction);
  if (band < 1) band = 1;  // a small fraction of a low target: an empty band has no aspect
  int32_t top = crt::RoundToInt((1.0f - fraction) * fh * 0.5f);
  SetOnDevice(camera, 0, static_cast<uint32_t>(top), w, static_cast<uint32_t>(band));
}

void CameraApply(Camera& camera, const Texture* target) {
  TransformState& state = *camera.device->transformState;
  TransformStateSetPerspective(state, camera.fieldOfView, camera.aspect, camera.nearPlane,
                               camera.farPlane);
  TransformStateLoadIdentity(state);
  CameraSetLetterboxViewport(camera, target);
  TransformStateSetView(state, *camera.view);
}
