#pragma once
// A scene's camera: the view matrix, the viewport last set through it (a letterboxed band of
// the target) and the perspective parameters.
#include <cstdint>

#include "math/matrix.h"

struct Device;
struct Texture;

struct ViewportRect {
  uint32_t x, y, w, h;  // pixels
};

struct Camera {
  Matrix* view;            // owned
  ViewportRect* viewport;  // owned; the last viewport set through the camera
  Device* device;          // null for a camera that is never applied
  float heightFraction;    // share of the target height the letterbox band uses, (0, 1]
  double fieldOfView;      // vertical, degrees
  double aspect;           // viewport width / height, recomputed by every CameraSetViewport
  double nearPlane;
  double farPlane;
};

// Constructs in place: identity view, viewport {0, 0, device width, device height}, height
// fraction 1.0, field of view 60, aspect width / height, near 1, far 10000. Without a device
// (a scene reader that draws nothing) the viewport is empty and the aspect 1. Returns camera.
Camera* CameraInit(Camera* camera, Device* device);
void CameraResetView(Camera& camera);
void CameraSetHeightFraction(Camera& camera, float fraction);
// viewport = {x, y, w, h}; aspect = w / h in double.
void CameraSetViewport(Camera& camera, uint32_t x, uint32_t y, uint32_t w, uint32_t h);
// The target's size (the back buffer's when target is null): the whole of it, on the camera
// and on the device.
void CameraSetFullViewport(Camera& camera, const Texture* target);
// band = round(h x fraction) and at least 1, top = round((1 - fraction) x h x 0.5); viewport
// (0, top, w, band) on the camera and on the device.
void CameraSetLetterboxViewport(Camera& camera, const Texture* target);
// view = T(-x, -y, -z) x view.
void CameraTranslateView(Camera& camera, float x, float y, float z);
// MatrixRotateXYZ(view, -x, -y, -z), degrees.
void CameraRotateView(Camera& camera, float x, float y, float z);
// view = S(x, y, z) x view.
void CameraScaleView(Camera& camera, float x, float y, float z);
// Perspective with the aspect held at the call, world top = identity, letterbox viewport
// (which recomputes the aspect for the next apply), view matrix.
void CameraApply(Camera& camera, const Texture* target);
// A new camera (aligned heap) for the same device with copies of every value and the view.
Camera* CameraClone(const Camera& source);
// Frees the view matrix and the viewport; the caller frees the camera.
void CameraCleanup(Camera& camera);
