#include "scene/camera.h"

#include "platform/crt.h"
#include "render/device.h"

Camera* CameraInit(Camera* camera, Device* device) {
  camera->view = crt::AlignedNew<Matrix>();
  MatrixInit(*camera->view);
  camera->viewport = crt::AlignedNew<ViewportRect>();
  camera->device = device;
  camera->heightFraction = 1.0f;
  camera->fieldOfView = 60.0;
  camera->nearPlane = 1.0;
  camera->farPlane = 10000.0;
  if (device) {
    CameraSetViewport(*camera, 0, 0, device->width, device->height);
  } else {
    *camera->viewport = ViewportRect{0, 0, 0, 0};
    camera->aspect = 1.0;
  }
  return camera;
}

void CameraResetView(Camera& camera) { MatrixSetIdentity(*camera.view); }

void CameraSetHeightFraction(Camera& camera, float fraction) { camera.heightFraction = fraction; }

void CameraSetViewport(Camera& camera, uint32_t x, uint32_t y, uint32_t w, uint32_t h) {
  *camera.viewport = ViewportRect{x, y, w, h};
  camera.aspect = static_cast<double>(w) / static_cast<double>(h);
}

void CameraTranslateView(Camera& camera, float x, float y, float z) {
  MatrixTranslate(*camera.view, -x, -y, -z);
}

void CameraRotateView(Camera& camera, float x, float y, float z) {
  MatrixRotateXYZ(*camera.view, -x, -y, -z);
}

void CameraScaleView(Camera& camera, float x, float y, float z) {
  MatrixScale(*camera.view, x, y, z);
}

Camera* CameraClone(const Camera& source) {
  Camera* clone = CameraInit(crt::AlignedNew<Camera>(), source.device);
  *clone->viewport = *source.viewport;
  *clone->view = *source.view;
  clone->fieldOfView = source.fieldOfView;
  clone->aspect = source.aspect;
  clone->nearPlane = source.nearPlane;
  clone->farPlane = source.farPlane;
  clone->heightFraction = source.heightFraction;
  return clone;
}

void CameraCleanup(Camera& camera) {
  crt::AlignedDelete(camera.view);
  crt::AlignedDelete(camera.viewport);
  camera.view = nullptr;
  camera.viewport = nullptr;
}
