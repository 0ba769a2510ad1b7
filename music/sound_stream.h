#pragma once
// SoundStream: the system's sound output. One looping secondary buffer of one second
// (44,100 Hz, 16-bit stereo, 176,400 bytes), written 100 frames at a time about an eighth of a
// second ahead of the play position. Up to 256 sources (synthesizer channels) are mixed into a
// float stereo block, converted to 16-bit PCM and written at the stream's own write cursor;
// every block advances the AudioClock by 100 frames.
//
// Threads: set-up and cleanup on the main thread; after playback starts only the sequencer
// thread calls the stream (Stop also from the main thread once the sequencer has ended).
//
// Pacing works from 64-bit totals of bytes written and played since Play, so an underrun
// resynchronises at once. A missing or released buffer is never touched: without one the
// stream paces itself by the monotonic clock, so the AudioClock still keeps real time.

#include <chrono>
#include <cstdint>

#include "platform/dsound.h"

struct Channel;

constexpr uint32_t kSoundRate = 44100;
constexpr uint32_t kSoundBlockFrames = 100;
constexpr uint32_t kSoundBlockBytes = kSoundBlockFrames * 4;
constexpr uint32_t kSoundBufferBytes = 176400;
constexpr int kSoundSources = 256;
// Mix scale: a mix value of 1.0 becomes the sample 4,000.
constexpr float kSoundMixScale = 4000.0f;

struct SoundStream {
  IDirectSound8* device;
  IDirectSoundBuffer* buffer;
  uint32_t writeCursor;  // byte offset of the next block in the buffer
  uint32_t size;         // buffer bytes: 176,400
  float* left;           // 100 floats: the left mix
  float* right;          // 100 floats: the right mix
  int16_t* output;       // 100 interleaved frames
  Channel* sources[kSoundSources];
  uint64_t written;                                 // bytes written since Play
  uint64_t played;                                  // bytes played since Play
  uint32_t lastPlay;                                // play cursor at the previous fullness test
  std::chrono::steady_clock::time_point playStart;  // pacing without a buffer
};

// Write cursor 0, no device or buffer, size 176,400, blocks allocated, AudioClock 0, no sources.
SoundStream* SoundStreamInit(SoundStream* stream);
// Creates the device (message box "Could Not Create Direct Sound Object" / "Error!" on failure)
// and sets the cooperative level with `window` (on failure the device is released, message
// "Set Cooperative Level didn't Work!" / "BAD!!"); false after either failure, true once both
// succeed, whatever the buffer creation gives.
bool SoundStreamOpen(SoundStream* stream, HWND window);
// Creates the looping buffer (message "Could Not Create Direct Sound Buffer" on failure).
bool SoundStreamCreateBuffer(SoundStream* stream);
// Writes silence over the whole buffer; a failed lock or unlock releases the buffer (false).
bool SoundStreamClear(SoundStream* stream);
// AudioClock 0, play position 0, written and played totals restarted, looping play
// (message "Could Not Play Direct Sound Buffer" on failure).
bool SoundStreamPlay(SoundStream* stream);
// Stops the buffer; safe to call twice and without a buffer.
void SoundStreamStop(SoundStream* stream);
// True when the bytes written ahead of the play position reach an eighth of the buffer
// (22,050 bytes, 125 ms).
bool SoundStreamIsFull(SoundStream* stream);
// Renders, converts and writes one 100-frame block and advances the AudioClock by 100; when
// full, sleeps 1 ms and returns false instead.
bool SoundStreamRenderBlock(SoundStream* stream);
// Mixes the sources' next 100 frames and converts them into stream->output (no write, no clock).
void SoundStreamMixBlock(SoundStream* stream);
// Writes the 400-byte output block at the write cursor (two regions across the buffer's end).
// A lost buffer is restored and locked once more; a failed lock or unlock releases the buffer.
bool SoundStreamWrite(SoundStream* stream, const int16_t* block);
// Float mix value to a 16-bit sample: x 4000 in float, clamped to -32768..32767 in float,
// rounded to nearest (ties to even); NaN gives 0.
int16_t SoundSampleFromMix(float value);
void SoundStreamAddSource(SoundStream* stream, Channel* channel);
void SoundStreamRemoveSource(SoundStream* stream, Channel* channel);
void SoundStreamReleaseBuffer(SoundStream* stream);
// Releases buffer and device, frees the blocks; the caller frees the stream.
void SoundStreamCleanup(SoundStream* stream);
