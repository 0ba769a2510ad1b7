#include "music/sound_stream.h"

#include <cmath>
#include <cstring>

#include "music/audio_clock.h"
#include "platform/crt.h"
#include "platform/kernel32.h"
#include "synth/channel.h"

namespace {

constexpr uint32_t kFullBytes = kSoundBufferBytes / 8;  // 22,050 bytes = 125 ms
constexpr uint64_t kBytesPerSecond = kSoundRate * 4;

void ShowError(LPCSTR text, LPCSTR caption) { MessageBoxA(nullptr, text, caption, 0); }

// Locks `bytes` at `offset`; a lost buffer is restored and locked once more.
HRESULT LockRestoring(IDirectSoundBuffer* buffer, DWORD offset, DWORD bytes, LPVOID* p1, DWORD* n1,
                      LPVOID* p2, DWORD* n2) {
  HRESULT hr = buffer->Lock(offset, bytes, p1, n1, p2, n2, 0);
  if (hr == DSERR_BUFFERLOST) {
    buffer->Restore();
    hr = buffer->Lock(offset, bytes, p1, n1, p2, n2, 0);
  }
  return hr;
}

// Copies `bytes` of `data` into the buffer at `offset` (wrapping); false when the lock or the
// unlock failed, in which case the buffer has been released.
bool WriteBytes(SoundStream* stream, DWORD offset, const void* data, DWORD bytes) {
  LPVOID p1 = nullptr, p2 = nullptr;
  DWORD n1 = 0, n2 = 0;
  if (LockRestoring(stream->buffer, offset, bytes, &p1, &n1, &p2, &n2) != DS_OK) {
    SoundStreamReleaseBuffer(stream);
    return false;
  }
  std::memcpy(p1, data, n1);
  if (p2 && n2) std::memcpy(p2, static_cast<const uint8_t*>(data) + n1, n2);
  if (stream->buffer->Unlock(p1, n1, p2, n2) != DS_OK) {
    SoundStreamReleaseBuffer(stream);
    return false;
  }
  return true;
}

// Bytes played since Play: from the buffer's play cursor (its advance since the previous
// test, wrapped), or from the monotonic clock when there is no buffer.
uint64_t PlayedTotal(SoundStream* stream) {
  if (!stream->buffer) {
    const auto elapsed = std::chrono::steady_clock::now() - stream->playStart;
    const int64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
    return static_cast<uint64_t>(ns) * kSoundRate / 1000000000ull * 4;
  }
  DWORD play = 0;
  if (stream->buffer->GetCurrentPosition(&play, nullptr) != DS_OK) return stream->played;
  stream->played += (play + stream->size - stream->lastPlay) % stream->size;
  stream->lastPlay = play;
  return stream->played;
}

}  // namespace

SoundStream* SoundStreamInit(SoundStream* stream) {
  stream->device = nullptr;
  stream->buffer = nullptr;
  stream->writeCursor = 0;
  stream->size = kSoundBufferBytes;
  stream->left = crt::AlignedNewArray<float>(kSoundBlockFrames);
  stream->right = crt::AlignedNewArray<float>(kSoundBlockFrames);
  stream->output = crt::AlignedNewArray<int16_t>(kSoundBlockFrames * 2);
  for (Channel*& source : stream->sources) source = nullptr;
  stream->written = stream->played = 0;
  stream->lastPlay = 0;
  stream->playStart = std::chrono::steady_clock::now();
  AudioClockReset();
  return stream;
}

bool SoundStreamOpen(SoundStream* stream, HWND window) {
  if (DirectSoundCreate8(nullptr, &stream->device, nullptr) != DS_OK) {
    stream->device = nullptr;
    ShowError("Could Not Create Direct Sound Object", "Error!");
    return false;
  }
  if (stream->device->SetCooperativeLevel(window, DSSCL_NORMAL) != DS_OK) {
    stream->device->Release();
    stream->device = nullptr;
    ShowError("Set Cooperative Level didn't Work!", "BAD!!");
    return false;
  }
  stream->size = kSoundBufferBytes;
  SoundStreamCreateBuffer(stream);
  return true;
}

bool SoundStreamCreateBuffer(SoundStream* stream) {
  WAVEFORMATEX format = {};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = kSoundRate;
  format.nAvgBytesPerSec = kSoundRate * 4;
  format.nBlockAlign = 4;
  format.wBitsPerSample = 16;
  DSBUFFERDESC desc = {};
  desc.dwSize = 36;
  desc.dwFlags = DSBCAPS_GETCURRENTPOSITION2 | DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLPOSITIONNOTIFY;
  desc.dwBufferBytes = stream->size;
  desc.lpwfxFormat = &format;
  if (!stream->device ||
      stream->device->CreateSoundBuffer(&desc, &stream->buffer, nullptr) != DS_OK) {
    stream->buffer = nullptr;
    ShowError("Could Not Create Direct Sound Buffer", "Error!");
    return false;
  }
  return true;
}

bool SoundStreamClear(SoundStream* stream) {
  if (!stream->buffer) return false;
  uint8_t* zeros = crt::AlignedNewArray<uint8_t>(stream->size);
  const bool ok = WriteBytes(stream, 0, zeros, stream->size);
  crt::AlignedDeleteArray(zeros, stream->size);
  return ok;
}

bool SoundStreamPlay(SoundStream* stream) {
  AudioClockReset();
  stream->played = 0;
  stream->lastPlay = 0;
  stream->written = (stream->writeCursor + stream->size) % stream->size;
  stream->playStart = std::chrono::steady_clock::now();
  if (!stream->buffer) return false;
  stream->buffer->SetCurrentPosition(0);
  if (stream->buffer->Play(0, 0, DSBPLAY_LOOPING) != DS_OK) {
    ShowError("Could Not Play Direct Sound Buffer", "Error!");
    return false;
  }
  return true;
}

void SoundStreamStop(SoundStream* stream) {
  if (stream->buffer) stream->buffer->Stop();
}

bool SoundStreamIsFull(SoundStream* stream) {
  const uint64_t played = PlayedTotal(stream);
  if (played > stream->written) {
    // Underrun: the play position passed everything written; continue right at it.
    stream->writeCursor = static_cast<uint32_t>(played % stream->size);
    stream->written = played;
  }
  return stream->written - played >= kFullBytes;
}

int16_t SoundSampleFromMix(float value) {
  float scaled = value * kSoundMixScale;
  if (std::isnan(scaled)) return 0;
  if (scaled > 32767.0f) scaled = 32767.0f;
  if (scaled < -32768.0f) scaled = -32768.0f;
  return static_cast<int16_t>(crt::RoundToInt(scaled));
}

void SoundStreamMixBlock(SoundStream* stream) {
  std::memset(stream->left, 0, kSoundBlockFrames * sizeof(float));
  std::memset(stream->right, 0, kSoundBlockFrames * sizeof(float));
  for (Channel* source : stream->sources)
    if (source) ChannelRender(source, stream->left, stream->right);
  for (uint32_t i = 0; i < kSoundBlockFrames; ++i) {
    stream->output[2 * i] = SoundSampleFromMix(stream->left[i]);
    stream->output[2 * i + 1] = SoundSampleFromMix(stream->right[i]);
  }
}

bool SoundStreamRenderBlock(SoundStream* stream) {
  if (SoundStreamIsFull(stream)) {
    Sleep(1);
    return false;
  }
  SoundStreamMixBlock(stream);
  AudioClockAdvance(kSoundBlockFrames);
  SoundStreamWrite(stream, stream->output);
  return true;
}

bool SoundStreamWrite(SoundStream* stream, const int16_t* block) {
  // Without a buffer the block is dropped but counted, so the clock pacing carries on.
  const bool ok =
      stream->buffer && WriteBytes(stream, stream->writeCursor, block, kSoundBlockBytes);
  stream->writeCursor = (stream->writeCursor + kSoundBlockBytes) % stream->size;
  stream->written += kSoundBlockBytes;
  return ok;
}

void SoundStreamAddSource(SoundStream* stream, Channel* channel) {
  for (Channel*& slot : stream->sources) {
    if (!slot) {
      slot = channel;
      return;
    }
  }
}

void SoundStreamRemoveSource(SoundStream* stream, Channel* channel) {
  for (Channel*& slot : stream->sources) {
    if (slot == channel) {
      slot = nullptr;
      return;
    }
  }
}

void SoundStreamReleaseBuffer(SoundStream* stream) {
  if (!stream->buffer) return;
  stream->buffer->Release();
  stream->buffer = nullptr;
  // From here the clock paces the stream: continue from what was already played.
  stream->playStart = std::chrono::steady_clock::now() -
                      std::chrono::nanoseconds(stream->played * 1000000000ull / kBytesPerSecond);
}

void SoundStreamCleanup(SoundStream* stream) {
  SoundStreamReleaseBuffer(stream);
  if (stream->device) stream->device->Release();
  stream->device = nullptr;
  crt::AlignedDeleteArray(stream->left, kSoundBlockFrames);
  crt::AlignedDeleteArray(stream->right, kSoundBlockFrames);
  crt::AlignedDeleteArray(stream->output, kSoundBlockFrames * 2);
  stream->left = stream->right = nullptr;
  stream->output = nullptr;
}
