#pragma once
// Texture: a CPU image of 32-bit ARGB pixels together with its device texture.
//
// Pixel word 0xAARRGGBB (bytes in memory: blue, green, red, alpha), one word per pixel,
// row-major, row stride = width words, rows top to bottom. A volume holds `depth` slices of
// width x height words one after the other; a cube holds six square faces of which every
// operation touches only the first. The operations of texgen/ treat each byte of a pixel as an
// unsigned 8-bit channel and do nothing on a record without pixels (a render-target record).

#include <cstdint>

// The device texture made by the upload (owned and released by the rendering layer).
struct IDirect3DBaseTexture9;

enum TextureKind : uint32_t {
  kTextureKind2D = 0,
  kTextureKindVolume = 1,
  kTextureKindCube = 2,
};

struct Texture {
  uint16_t width;                  // pixels
  uint16_t height;                 // pixels; a cube stores its width here
  uint16_t depth;                  // slices of a volume; 0 for 2D images and cubes
  uint32_t* pixels;                // the image, or null (render target, other kind, too large)
  uint32_t byteSize;               // size of the pixel block in bytes; 0 without pixels
  IDirect3DBaseTexture9* texture;  // set by the upload; null until then
  uint8_t uploaded;                // set by the upload
  uint32_t linearFilter;           // nonzero: linear magnification filter, 0: point
  uint32_t kind;                   // TextureKind; other values give a record without pixels
  uint8_t clamp;                   // nonzero: clamped addressing instead of wrapping
  uint8_t renderTarget;            // the image lives in a render target: no pixel block
  Texture* target;                 // render-target record linked at upload; owned by this record
};

// The largest pixel block a record may hold: 64 MiB, 16M pixels (4096 x 4096). Sizes are
// computed in 64 bits; a block above the limit is not allocated (the record has no pixels and
// every operation leaves it alone), so a size can never wrap the 32-bit byte size and every
// pixel index fits comfortably in 32 bits.
constexpr uint64_t kTextureMaxBytes = uint64_t{64} << 20;

// Constructs the record in place: width, height, depth as given (a cube takes its width as
// height), all other fields cleared, the flags and kind stored. Unless `renderTarget` is set the
// byte size is computed by kind (2D w*h*4, volume w*h*d*4, cube w*w*24, other kinds 0) and a
// pixel block of that size is allocated and filled with opaque black 0xFF000000.
void TextureInit(Texture* texture, uint16_t kind, uint16_t width, uint16_t height, uint16_t depth,
                 uint32_t linearFilter, uint8_t renderTarget);
// TextureInit with kind 2D and depth 0; the scene script's textures.
Texture* TextureInit2D(Texture* texture, uint16_t width, uint16_t height, uint32_t linearFilter,
                       uint8_t renderTarget);
// A 2D image of opaque black with both flags cleared; the operations' temporary images.
Texture* TextureInitScratch(Texture* texture, uint16_t width, uint16_t height);
// A 2D image of opaque black, not a render target; render-target records and default images.
Texture* TextureInit2DFiltered(Texture* texture, uint16_t width, uint16_t height,
                               uint32_t linearFilter);
// Presets: 0 a 256-edge cube of opaque black, linear filter; 1 a 64^3 volume filled by
// TextureFillVolumeSphere, linear filter, clamped addressing; 2 a 4 x 4 flat normal map
// (every pixel 0xFF7F7FFE), point filter. Any other number leaves the record untouched.
Texture* TextureInitPreset(Texture* texture, uint32_t preset);
// Frees the linked render-target record (its image first, recursively, then the record), then
// this record's pixel block. The record itself is kept and no field is cleared; the device
// texture is not released.
void TextureFreeImage(Texture* texture);
// Fills a volume (kind 1) with a radial falloff: v = max(0, 1 - |d|) with d the voxel's offset
// from the centre in half sizes, value = round(pow(v*v, 0.8) * 255) in all four channels
// (255 at the centre, 0 at and beyond the unit radius). A side below 2 leaves the image as it
// is (the half size would be 0). Other kinds are left untouched.
void TextureFillVolumeSphere(Texture* texture);

// Allocates a record, constructs it with TextureInitScratch and returns it; the temporary images
// of the operations. TextureDestroy frees the image and the record of any record allocated with
// crt::AlignedNew. Null does nothing.
Texture* TextureCreateScratch(uint16_t width, uint16_t height);
void TextureDestroy(Texture* texture);

// True when the record has a pixel block and at least one pixel, and is a 2D image or a cube:
// the condition under which the image operations do anything.
bool TextureIsEditable(const Texture* texture);
// width x height: the pixels every operation walks (on a cube, the first face).
inline uint32_t TexturePixelCount(const Texture* texture) {
  return uint32_t{texture->width} * texture->height;
}
