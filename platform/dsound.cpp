#include "platform/dsound.h"

#include <SDL2/SDL.h>
#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/testing_dsound.h"

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kFrameBytes = 4;         // 16-bit stereo
constexpr uint16_t kCallbackFrames = 1024;  // SDL pull size we ask for

enum class DeviceKind { kSdl, kClock, kStepped, kDrain };

// ---- Test hook state ----------------------------------------------------------------------

struct TestState {
  std::mutex mutex;
  DsoundTestBackend backend = DsoundTestBackend::kDefault;
  int failTimes[6] = {};
  HRESULT failResult[6] = {};
  std::vector<uint8_t> captured;
  int liveDevices = 0;
  int liveBuffers = 0;
  int restores = 0;
  DsoundTestBufferRequest request = {};
};

TestState& Test() {
  static TestState state;
  return state;
}

// The injected result of `call`, or DS_OK when none is pending.
HRESULT InjectedResult(DsoundCall call) {
  TestState& t = Test();
  std::lock_guard<std::mutex> lock(t.mutex);
  const int i = static_cast<int>(call);
  if (t.failTimes[i] == 0) return DS_OK;
  --t.failTimes[i];
  return t.failResult[i];
}

void Capture(const uint8_t* bytes, size_t count) {
  TestState& t = Test();
  std::lock_guard<std::mutex> lock(t.mutex);
  t.captured.insert(t.captured.end(), bytes, bytes + count);
}

void CountLive(int* counter, int change) {
  std::lock_guard<std::mutex> lock(Test().mutex);
  *counter += change;
}

}  // namespace

// ---- Rings and devices ----------------------------------------------------------------------

struct SoundRing {
  std::vector<uint8_t> bytes;
  uint32_t cursor = 0;  // play cursor, ring offset
  uint32_t fresh = 0;   // bytes from the cursor on that were unlocked and not yet played
  bool playing = false;
  // Clock device: frames the monotonic clock owes since Play, and what was already played.
  std::chrono::steady_clock::time_point playStart;
  uint64_t framesSincePlay = 0;
  SoundDevice* device = nullptr;
};

struct SoundDevice {
  std::mutex mutex;  // guards the ring list and every ring's cursor state
  DeviceKind kind = DeviceKind::kClock;
  SDL_AudioDeviceID sdl = 0;
  std::vector<SoundRing*> rings;
  std::vector<uint8_t> pull;  // one ring's share of an SDL pull, sized when the device opens
  int references = 0;         // the device object and each buffer
};

namespace {

// Plays `count` bytes of `ring` from its cursor into `out` (may be null): fresh bytes are copied,
// the rest is silence; the cursor wraps round the ring. Caller holds the device mutex.
void RingPlay(SoundRing* ring, uint32_t count, uint8_t* out) {
  const uint32_t size = static_cast<uint32_t>(ring->bytes.size());
  while (count > 0) {
    const uint32_t run = std::min(count, size - ring->cursor);
    const uint32_t real = std::min(run, ring->fresh);
    if (out) {
      std::memcpy(out, ring->bytes.data() + ring->cursor, real);
      std::memset(out + real, 0, run - real);
      out += run;
    }
    ring->fresh -= real;
    ring->cursor = (ring->cursor + run) % size;
    count -= run;
  }
}

// Plays `count` bytes into the test capture.
void RingPlayCaptured(SoundRing* ring, uint32_t count) {
  std::vector<uint8_t> out(count);
  RingPlay(ring, count, out.data());
  Capture(out.data(), out.size());
}

// Brings a ring of the clock-paced device up to the monotonic clock. Caller holds the mutex.
void RingFollowClock(SoundRing* ring) {
  if (!ring->playing) return;
  const auto elapsed = std::chrono::steady_clock::now() - ring->playStart;
  const uint64_t ns = std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count();
  const uint64_t due = ns * kRate / 1000000000ull;
  if (due <= ring->framesSincePlay) return;
  const uint64_t frames = std::min<uint64_t>(due - ring->framesSincePlay, ring->bytes.size() / 4);
  RingPlay(ring, static_cast<uint32_t>(frames * kFrameBytes), nullptr);
  ring->framesSincePlay = due;
}

// Brings the ring's cursor up to date for the devices that play on demand.
void RingCatchUp(SoundRing* ring) {
  if (ring->device->kind == DeviceKind::kClock) RingFollowClock(ring);
  if (ring->device->kind == DeviceKind::kDrain && ring->playing)
    RingPlayCaptured(ring, ring->fresh);
}

// SDL's pull: mixes every playing ring into the output with saturation. Allocates nothing.
void SdlPull(void* user, Uint8* stream, int length) {
  auto* device = static_cast<SoundDevice*>(user);
  std::memset(stream, 0, length);
  auto* out = reinterpret_cast<int16_t*>(stream);
  std::lock_guard<std::mutex> lock(device->mutex);
  const int piece = static_cast<int>(device->pull.size());
  for (int at = 0; at < length; at += piece) {
    const int n = std::min(piece, length - at);
    for (SoundRing* ring : device->rings) {
      if (!ring->playing) continue;
      RingPlay(ring, static_cast<uint32_t>(n), device->pull.data());
      const auto* in = reinterpret_cast<const int16_t*>(device->pull.data());
      for (int i = 0; i < n / 2; ++i)
        out[at / 2 + i] = static_cast<int16_t>(std::clamp(out[at / 2 + i] + in[i], -32768, 32767));
    }
  }
}

// The sound library's own reports: SDL's error text carries the reason, so they are dropped.
void DropAlsaReport(const char*, int, const char*, int, const char*, ...) {}

// Opens SDL audio at the system's format; false (with the reason on stderr) when no real
// device is available.
bool OpenSdl(SoundDevice* device) {
  snd_lib_error_set_handler(DropAlsaReport);
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    std::fprintf(stderr, "dsound: no audio (%s); using a silent clock-paced device\n",
                 SDL_GetError());
    return false;
  }
  const char* driver = SDL_GetCurrentAudioDriver();
  if (driver && std::strcmp(driver, "dummy") == 0) {
    std::fprintf(stderr,
                 "dsound: only the dummy audio driver; using a silent clock-paced device\n");
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_AudioSpec want = {};
  want.freq = kRate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = kCallbackFrames;
  want.callback = SdlPull;
  want.userdata = device;
  SDL_AudioSpec have = {};
  device->pull.assign(kCallbackFrames * kFrameBytes, 0);
  device->sdl = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device->sdl == 0) {
    std::fprintf(stderr, "dsound: no audio device (%s); using a silent clock-paced device\n",
                 SDL_GetError());
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  SDL_PauseAudioDevice(device->sdl, 0);
  return true;
}

DeviceKind KindFor(DsoundTestBackend backend) {
  switch (backend) {
    case DsoundTestBackend::kClock:
      return DeviceKind::kClock;
    case DsoundTestBackend::kStepped:
      return DeviceKind::kStepped;
    case DsoundTestBackend::kDrain:
      return DeviceKind::kDrain;
    default:
      return DeviceKind::kSdl;
  }
}

void DeviceUnref(SoundDevice* device) {
  bool last;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    last = --device->references == 0;
  }
  if (!last) return;
  if (device->sdl != 0) {
    SDL_CloseAudioDevice(device->sdl);  // waits for a pull in progress
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  delete device;
}

// Every stepped device alive, so DsoundTestStep can reach their rings.
std::vector<SoundDevice*>& SteppedDevices() {
  static std::vector<SoundDevice*> devices;
  return devices;
}

bool AcceptableFormat(const WAVEFORMATEX* f) {
  return f && f->wFormatTag == WAVE_FORMAT_PCM && f->nChannels == 2 && f->nSamplesPerSec == kRate &&
         f->wBitsPerSample == 16 && f->nBlockAlign == kFrameBytes;
}

}  // namespace

// ---- IDirectSound8 ----------------------------------------------------------------------------

HRESULT DirectSoundCreate8(LPCGUID guid, IDirectSound8** sound, void* outer) {
  if (!sound || outer) return DSERR_INVALIDPARAM;
  *sound = nullptr;
  if (guid) return DSERR_NODRIVER;
  if (HRESULT injected = InjectedResult(DsoundCall::kCreate); injected != DS_OK) return injected;
  DsoundTestBackend backend;
  {
    std::lock_guard<std::mutex> lock(Test().mutex);
    backend = Test().backend;
  }
  auto* device = new SoundDevice;
  device->kind = KindFor(backend);
  device->references = 1;
  if (device->kind == DeviceKind::kSdl && !OpenSdl(device)) device->kind = DeviceKind::kClock;
  if (device->kind == DeviceKind::kStepped) {
    std::lock_guard<std::mutex> lock(Test().mutex);
    SteppedDevices().push_back(device);
  }
  *sound = new IDirectSound8{device};
  CountLive(&Test().liveDevices, 1);
  return DS_OK;
}

HRESULT IDirectSound8::SetCooperativeLevel(HWND window, DWORD level) {
  {
    std::lock_guard<std::mutex> lock(Test().mutex);
    Test().request.cooperativeWindow = window;
    Test().request.cooperativeLevel = level;
  }
  return InjectedResult(DsoundCall::kSetCooperativeLevel);
}

HRESULT IDirectSound8::CreateSoundBuffer(const DSBUFFERDESC* desc, IDirectSoundBuffer** buffer,
                                         void* outer) {
  if (!buffer || outer || !desc) return DSERR_INVALIDPARAM;
  *buffer = nullptr;
  {
    std::lock_guard<std::mutex> lock(Test().mutex);
    Test().request.desc = *desc;
    if (desc->lpwfxFormat) Test().request.format = *desc->lpwfxFormat;
  }
  if (HRESULT injected = InjectedResult(DsoundCall::kCreateSoundBuffer); injected != DS_OK)
    return injected;
  if (!AcceptableFormat(desc->lpwfxFormat)) return DSERR_BADFORMAT;
  if (desc->dwBufferBytes < kFrameBytes || desc->dwBufferBytes % kFrameBytes != 0)
    return DSERR_INVALIDPARAM;
  auto* ring = new SoundRing;
  ring->bytes.assign(desc->dwBufferBytes, 0);
  ring->device = device;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    device->rings.push_back(ring);
    ++device->references;
  }
  *buffer = new IDirectSoundBuffer{ring};
  CountLive(&Test().liveBuffers, 1);
  return DS_OK;
}

ULONG IDirectSound8::Release() {
  SoundDevice* d = device;
  if (d->kind == DeviceKind::kStepped) {
    std::lock_guard<std::mutex> lock(Test().mutex);
    auto& all = SteppedDevices();
    all.erase(std::remove(all.begin(), all.end(), d), all.end());
  }
  delete this;
  DeviceUnref(d);
  CountLive(&Test().liveDevices, -1);
  return 0;
}

// ---- IDirectSoundBuffer -----------------------------------------------------------------------

HRESULT IDirectSoundBuffer::Lock(DWORD offset, DWORD bytes, LPVOID* region1, DWORD* bytes1,
                                 LPVOID* region2, DWORD* bytes2, DWORD flags) {
  if (!region1 || !bytes1) return DSERR_INVALIDPARAM;
  if (HRESULT injected = InjectedResult(DsoundCall::kLock); injected != DS_OK) return injected;
  const DWORD size = static_cast<DWORD>(ring->bytes.size());
  if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
  if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
  const DWORD first = std::min(bytes, size - offset);
  *region1 = ring->bytes.data() + offset;
  *bytes1 = first;
  if (bytes > first && !(region2 && bytes2)) return DSERR_INVALIDPARAM;
  if (region2) *region2 = bytes > first ? ring->bytes.data() : nullptr;
  if (bytes2) *bytes2 = bytes - first;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Unlock(LPVOID region1, DWORD bytes1, LPVOID region2, DWORD bytes2) {
  if (HRESULT injected = InjectedResult(DsoundCall::kUnlock); injected != DS_OK) return injected;
  const auto* base = ring->bytes.data();
  const auto* r1 = static_cast<const uint8_t*>(region1);
  const uint32_t size = static_cast<uint32_t>(ring->bytes.size());
  if (!r1 || r1 < base || r1 >= base + size) return DSERR_INVALIDPARAM;
  const uint32_t offset = static_cast<uint32_t>(r1 - base);
  const uint32_t total = bytes1 + (region2 ? bytes2 : 0);
  std::lock_guard<std::mutex> lock(ring->device->mutex);
  RingCatchUp(ring);
  // Bytes from the cursor to the end of what was written are fresh; a range starting past
  // the fresh run leaves its gap stale (it plays what the ring held before).
  const uint32_t distance = (offset + size - ring->cursor) % size;
  ring->fresh = std::min(size, std::max(ring->fresh, distance + total));
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Restore() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  ++Test().restores;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::GetCurrentPosition(DWORD* play, DWORD* write) {
  std::lock_guard<std::mutex> lock(ring->device->mutex);
  RingCatchUp(ring);
  const uint32_t size = static_cast<uint32_t>(ring->bytes.size());
  const uint32_t lead = ring->device->kind == DeviceKind::kSdl ? kCallbackFrames * kFrameBytes : 0;
  if (play) *play = ring->cursor;
  if (write) *write = (ring->cursor + std::min(lead, size - kFrameBytes)) % size;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::SetCurrentPosition(DWORD offset) {
  const uint32_t size = static_cast<uint32_t>(ring->bytes.size());
  if (offset >= size) return DSERR_INVALIDPARAM;
  std::lock_guard<std::mutex> lock(ring->device->mutex);
  RingCatchUp(ring);
  ring->cursor = offset - offset % kFrameBytes;
  ring->fresh = 0;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Play(DWORD reserved, DWORD priority, DWORD) {
  if (reserved != 0 || priority != 0) return DSERR_INVALIDPARAM;
  if (HRESULT injected = InjectedResult(DsoundCall::kPlay); injected != DS_OK) return injected;
  std::lock_guard<std::mutex> lock(ring->device->mutex);
  if (ring->playing) return DS_OK;
  ring->playing = true;
  ring->playStart = std::chrono::steady_clock::now();
  ring->framesSincePlay = 0;
  return DS_OK;
}

HRESULT IDirectSoundBuffer::Stop() {
  std::lock_guard<std::mutex> lock(ring->device->mutex);
  RingCatchUp(ring);
  ring->playing = false;
  return DS_OK;
}

ULONG IDirectSoundBuffer::Release() {
  SoundDevice* device = ring->device;
  {
    std::lock_guard<std::mutex> lock(device->mutex);
    auto& rings = device->rings;
    rings.erase(std::remove(rings.begin(), rings.end(), ring), rings.end());
  }
  delete ring;
  delete this;
  DeviceUnref(device);
  CountLive(&Test().liveBuffers, -1);
  return 0;
}

// ---- Test hooks -------------------------------------------------------------------------------

void DsoundTestSetBackend(DsoundTestBackend backend) {
  std::lock_guard<std::mutex> lock(Test().mutex);
  Test().backend = backend;
}

void DsoundTestStep(uint32_t frames) {
  std::vector<SoundDevice*> devices;
  {
    std::lock_guard<std::mutex> lock(Test().mutex);
    devices = SteppedDevices();
  }
  for (SoundDevice* device : devices) {
    std::lock_guard<std::mutex> lock(device->mutex);
    for (SoundRing* ring : device->rings)
      if (ring->playing) RingPlayCaptured(ring, frames * kFrameBytes);
  }
}

std::vector<uint8_t> DsoundTestTakeCaptured() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  std::vector<uint8_t> out;
  out.swap(Test().captured);
  return out;
}

void DsoundTestFailNext(DsoundCall call, HRESULT result, int times) {
  std::lock_guard<std::mutex> lock(Test().mutex);
  Test().failTimes[static_cast<int>(call)] = times;
  Test().failResult[static_cast<int>(call)] = result;
}

int DsoundTestLiveDevices() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  return Test().liveDevices;
}

int DsoundTestLiveBuffers() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  return Test().liveBuffers;
}

int DsoundTestRestoreCount() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  return Test().restores;
}

DsoundTestBufferRequest DsoundTestLastRequest() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  return Test().request;
}

void DsoundTestReset() {
  std::lock_guard<std::mutex> lock(Test().mutex);
  TestState& t = Test();
  t.backend = DsoundTestBackend::kDefault;
  std::fill(std::begin(t.failTimes), std::end(t.failTimes), 0);
  t.captured.clear();
  t.restores = 0;
  t.request = {};
}
