// State switches and frame targets of the Device.

#include "render/device.h"

#include <array>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "platform/d3d9.h"
#include "render/target_manager.h"
#include "texgen/texture.h"

namespace {

void SetState(Device& device, D3DRENDERSTATETYPE state, DWORD value) {
  device.device->SetRenderState(state, value);
}

// The render state a boolean switch toggles; texture stages, depth bias and culling are not
// plain booleans and are handled by the callers.
bool BooleanState(uint32_t id, D3DRENDERSTATETYPE& state) {
  switch (id) {
    case kSwitchBlending: state = D3DRS_ALPHABLENDENABLE; return true;
    case kSwitchDepthTest: state = D3DRS_ZENABLE; return true;
    case kSwitchDepthWrite: state = D3DRS_ZWRITEENABLE; return true;
    case kSwitchScissorTest: state = D3DRS_SCISSORTESTENABLE; return true;
    default: return false;
  }
}

}  // namespace

void DeviceEnable(Device& device, uint32_t id) {
  D3DRENDERSTATETYPE state;
  if (BooleanState(id, state)) {
    SetState(device, state, TRUE);
  } else if (id == kSwitchCulling) {
    SetState(device, D3DRS_CULLMODE, D3DCULL_CCW);
  }
}

void DeviceDisable(Device& device, uint32_t id) {
  D3DRENDERSTATETYPE state;
  if (BooleanState(id, state)) {
    SetState(device, state, FALSE);
  } else if (id == kSwitchTextureStages) {
    for (DWORD stage = 0; stage < 4; ++stage) device.device->SetTexture(stage, nullptr);
  } else if (id == kSwitchDepthBias) {
    SetState(device, D3DRS_SLOPESCALEDEPTHBIAS, 0);
    SetState(device, D3DRS_DEPTHBIAS, 0);
  } else if (id == kSwitchCulling) {
    SetState(device, D3DRS_CULLMODE, D3DCULL_NONE);
  }
}

void DeviceSetBlendFunc(Device& device, uint32_t source, uint32_t destination, uint32_t operation) {
  SetState(device, D3DRS_SRCBLEND, source);
  SetState(device, D3DRS_DESTBLEND, destination);
  SetState(device, D3DRS_BLENDOP, operation);
}

void DeviceSetFillMode(Device& device, uint32_t mode) {
  if (mode == 0) {
    SetState(device, D3DRS_FILLMODE, D3DFILL_SOLID);
  } else if (mode == 1) {
    SetState(device, D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  } else if (mode == 2) {
    float size = 3.0f;
    DWORD bits;
    std::memcpy(&bits, &size, sizeof bits);
    SetState(device, D3DRS_POINTSIZE, bits);
    SetState(device, D3DRS_FILLMODE, D3DFILL_POINT);
  }
}

void DeviceSetAlphaTest(Device& device, uint8_t on) {
  if (on) {
    SetState(device, D3DRS_ALPHAREF, 8);
    SetState(device, D3DRS_ALPHATESTENABLE, TRUE);
    SetState(device, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
  } else {
    SetState(device, D3DRS_ALPHATESTENABLE, FALSE);
  }
}

void DeviceClear(Device& device, uint32_t color) {
  device.device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, color, 1.0f, 0);
}

void DeviceSetViewport(Device& device, uint32_t x, uint32_t y, uint32_t width, uint32_t height) {
  D3DVIEWPORT9 viewport{x, y, width, height, 0.0f, 1.0f};
  device.device->SetViewport(&viewport);
}

void DeviceSetFog(Device& device, uint32_t color, float start, float end) {
  device.fogColor = color;
  device.fogStart = start;
  device.fogEnd = end;
}

uint32_t DeviceGetWidth(const Device& device) { return device.width; }

uint32_t DeviceGetHeight(const Device& device) { return device.height; }

void DeviceCreateFrameTargets(Device& device, uint32_t width, uint32_t height) {
  TargetManager& manager = *device.targetManager;
  // Signed division truncating toward zero, as the sizes were always computed; a quotient of 0
  // makes no target (the manager refuses it).
  uint32_t glowWidth = static_cast<uint32_t>(static_cast<int32_t>(width) / 4);
  uint32_t glowHeight = static_cast<uint32_t>(static_cast<int32_t>(height) / 4);
  device.FrameTargetC = TargetManagerCreateTarget(manager, width, height);
  device.FrameTargetB = TargetManagerCreateTarget(manager, width, height);
  device.FrameTargetA = TargetManagerCreateTarget(manager, width, height);
  device.GlowTarget1 = TargetManagerCreateTarget(manager, glowWidth, glowHeight);
  device.GlowTarget2 = TargetManagerCreateTarget(manager, glowWidth, glowHeight);
  device.GlowTarget3 = TargetManagerCreateTarget(manager, glowWidth, glowHeight);
}

namespace {

// The six frame-target fields in the order of creation.
std::array<Texture**, 6> FrameTargetFields(Device& device) {
  return {&device.FrameTargetC, &device.FrameTargetB, &device.FrameTargetA,
          &device.GlowTarget1,  &device.GlowTarget2,  &device.GlowTarget3};
}

std::array<Texture**, 6> SpareFields(Device& device) {
  std::array<Texture**, 6> fields;
  for (size_t i = 0; i < fields.size(); ++i) fields[i] = &device.spareFrameTargets[i];
  return fields;
}

void ReleaseTargets(Device& device, const std::array<Texture**, 6>& fields) {
  for (Texture** field : fields) {
    if (*field) TargetManagerDestroyTarget(*device.targetManager, *field);
    *field = nullptr;
  }
}

bool HasSize(const Texture* target, uint32_t width, uint32_t height) {
  return target && target->width == width && target->height == height;
}

}  // namespace

void DeviceReleaseFrameTargets(Device& device) {
  ReleaseTargets(device, FrameTargetFields(device));
  ReleaseTargets(device, SpareFields(device));
}

void DeviceFitFrameTargets(Device& device, uint32_t width, uint32_t height) {
  if (HasSize(device.FrameTargetA, width, height)) return;
  const std::array<Texture**, 6> fields = FrameTargetFields(device);
  for (size_t i = 0; i < fields.size(); ++i) std::swap(*fields[i], device.spareFrameTargets[i]);
  if (HasSize(device.FrameTargetA, width, height)) {
    for (Texture** field : fields) {
      if (*field) TargetManagerClearTarget(*device.targetManager, *field);
    }
    return;
  }
  ReleaseTargets(device, fields);
  DeviceCreateFrameTargets(device, width, height);
}
