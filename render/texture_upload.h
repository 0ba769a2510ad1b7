#pragma once
// Texture upload and binding: turns a CPU Texture record into its Direct3D texture and binds a
// record to a sampler stage with its filtering and addressing. Main thread only.
//
//   kind 0, render-target flag: a linked record from the TargetManager (one level, A8R8G8B8,
//                               default pool); the record's own pixels are unused
//   kind 0 otherwise:           A8R8G8B8, managed, full mip chain box-filtered on the CPU
//   kind 1 volume:              A8R8G8B8, managed, one level
//   kind 2 cube (width=height): X8R8G8B8, managed, one level, six copies of the first face

#include <cstdint>

#include "platform/d3d9.h"

struct Device;
struct Texture;

// Creates and fills the record's Direct3D resource (releasing an earlier one first), sets the
// uploaded flag and lists the record in the Device. A non-square cube, a record without pixels
// (other than a render target) or a failed creation leaves the record not uploaded.
void TextureUpload(Texture* texture, Device& device);
// When uploaded: gives back the linked target, or unbinds stage 0 and releases the texture;
// clears the uploaded flag and unlists the record.
void TextureRelease(Texture* texture, Device& device);
// Null: SetTexture(stage, null) only. Otherwise the linked target's texture for a render-target
// record, else the record's own, then its filters and addressing (clamp or wrap on U, V, W).
void TextureBind(Device& device, Texture* texture, uint32_t stage);
// Magnification linear or point by the record's flag; minification anisotropic; mip linear.
void TextureApplyFilters(Device& device, const Texture* texture, uint32_t stage);
// Fills mip level `level` (size width / 2^level x height / 2^level, whole-number division) from
// the locked previous level, each byte the floor of the mean of its 2 x 2 sources, then the
// levels below it, down to the level whose smaller side is 1.
void TextureBuildMips(Texture* texture, const D3DLOCKED_RECT& previous, uint32_t level);
// Writes one cube face from `pixels` (width x width words): blue, green, red copied, byte 3 0.
void TextureFillCubeFace(Texture* texture, D3DCUBEMAP_FACES face, const uint32_t* pixels);
