#pragma once
// DirectSound 8 stand-in over SDL2 audio: one device, looping secondary buffers of 16-bit PCM.
//
// A buffer is a ring of bytes with a play cursor. Whoever plays the device advances the cursor
// and copies from the ring at it:
//  - the SDL device (44,100 Hz, signed 16-bit, stereo, 512 to 1,024 frames per callback);
//  - when no SDL audio device opens, a silent device whose play cursor follows the monotonic
//    clock (one line on stderr says so), so a writer paced by the cursor keeps real time;
//  - in tests, a device stepped by hand (platform/testing_dsound.h).
// Bytes the writer has not unlocked since the cursor last passed them play as silence, so a
// writer that falls behind gives silence instead of the ring's old contents.
// Played and written byte totals are 64-bit internally; the cursors the interface reports are
// offsets into the ring (0 .. size - 1).

#include <cstdint>

#include "platform/win32.h"

using ULONG = uint32_t;
using LPVOID = void*;

constexpr HRESULT DS_OK = 0;
constexpr HRESULT DSERR_INVALIDPARAM = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078u);
constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096u);
constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064u);

constexpr DWORD DSSCL_NORMAL = 1;
constexpr DWORD DSBPLAY_LOOPING = 1;
constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x100;
constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x8000;
constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x10000;
constexpr DWORD DSBLOCK_ENTIREBUFFER = 2;
constexpr WORD WAVE_FORMAT_PCM = 1;

struct GUID {
  uint32_t data1;
  uint16_t data2, data3;
  uint8_t data4[8];
};
using LPCGUID = const GUID*;

struct WAVEFORMATEX {
  WORD wFormatTag;
  WORD nChannels;
  DWORD nSamplesPerSec;
  DWORD nAvgBytesPerSec;
  WORD nBlockAlign;
  WORD wBitsPerSample;
  WORD cbSize;
};

struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  WAVEFORMATEX* lpwfxFormat;
  GUID guid3DAlgorithm;
};

struct SoundDevice;  // the player behind a device object (SDL, clock or hand-stepped)
struct SoundRing;    // a buffer's bytes and cursors

// A secondary buffer. Only 16-bit stereo PCM at 44,100 Hz is accepted.
struct IDirectSoundBuffer {
  SoundRing* ring;

  // Locks `bytes` bytes from `offset` (or the whole buffer with DSBLOCK_ENTIREBUFFER). When the
  // range runs past the end of the ring, the rest is the second region from offset 0; otherwise
  // the second region is null with length 0. offset >= size or bytes > size: DSERR_INVALIDPARAM.
  HRESULT Lock(DWORD offset, DWORD bytes, LPVOID* region1, DWORD* bytes1, LPVOID* region2,
               DWORD* bytes2, DWORD flags);
  // Marks the regions written: they play when the cursor reaches them.
  HRESULT Unlock(LPVOID region1, DWORD bytes1, LPVOID region2, DWORD bytes2);
  HRESULT Restore();
  // Play and write cursors as ring offsets. The write cursor is where writing is safe: the
  // play cursor plus the device's next pull.
  HRESULT GetCurrentPosition(DWORD* play, DWORD* write);
  HRESULT SetCurrentPosition(DWORD offset);
  // reserved and priority must be 0; without DSBPLAY_LOOPING the buffer still loops (the
  // system only plays looping buffers).
  HRESULT Play(DWORD reserved, DWORD priority, DWORD flags);
  HRESULT Stop();
  ULONG Release();
};

struct IDirectSound8 {
  SoundDevice* device;

  HRESULT SetCooperativeLevel(HWND window, DWORD level);
  HRESULT CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer, void* outer);
  ULONG Release();
};
using LPDIRECTSOUND8 = IDirectSound8*;
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;

// Opens the default device (guid null; any other guid: DSERR_NODRIVER). Never fails for want of
// a sound card: the silent clock-paced device stands in.
HRESULT DirectSoundCreate8(LPCGUID guid, IDirectSound8** sound, void* outer);
