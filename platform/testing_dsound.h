#pragma once
// Test hooks of the DirectSound stand-in: device choice, hand-stepped playback, captured PCM,
// fault injection and the buffer description last asked for.

#include <cstdint>
#include <vector>

#include "platform/dsound.h"

// The device that the next DirectSoundCreate8 opens.
enum class DsoundTestBackend {
  kDefault,  // SDL audio, or the silent clock-paced device when no SDL device opens
  kClock,    // the silent clock-paced device, without trying SDL
  kStepped,  // plays only when the test calls DsoundTestStep; captures what it plays
  kDrain,    // every GetCurrentPosition plays all written bytes at once: offline, as fast as
             // the CPU allows; captures what it plays
};
void DsoundTestSetBackend(DsoundTestBackend backend);

// Plays `frames` frames of every playing buffer of the hand-stepped devices (thread-safe).
void DsoundTestStep(uint32_t frames);

// The PCM bytes the stepped and drained buffers have played since the last call (silence
// included), in play order; clears the capture.
std::vector<uint8_t> DsoundTestTakeCaptured();

enum class DsoundCall { kCreate, kSetCooperativeLevel, kCreateSoundBuffer, kLock, kUnlock, kPlay };
// The next `times` calls of `call` fail with `result` (a Lock failing with DSERR_BUFFERLOST is
// answered by a Restore like a lost buffer).
void DsoundTestFailNext(DsoundCall call, HRESULT result, int times = 1);

// Number of device and buffer objects alive; number of Restore calls since the last reset.
int DsoundTestLiveDevices();
int DsoundTestLiveBuffers();
int DsoundTestRestoreCount();

// The description of the last CreateSoundBuffer call, with its wave format copied.
struct DsoundTestBufferRequest {
  DSBUFFERDESC desc;
  WAVEFORMATEX format;
  HWND cooperativeWindow;
  DWORD cooperativeLevel;
};
DsoundTestBufferRequest DsoundTestLastRequest();

// Back to the default backend, no pending faults, empty capture, zero counters.
void DsoundTestReset();
