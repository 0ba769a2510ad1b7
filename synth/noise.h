#pragma once
// The noise source: one per patch, adding white or pink noise to every sounding voice of the
// patch. The samples come from one shared table of 65,536 white-noise values; the read position
// and the pink filter belong to the patch, so all voices of a patch read one stream in turn.

#include <cstdint>

#include "synth/block.h"

struct Patch;
struct Voice;

constexpr int kNoiseTableSize = 65536;

enum NoiseParamIndex : int {
  kParamNoiseType = 86,      // int: 0 off, 1 white, 2 pink
  kParamNoiseLevel = 87,     // 0..1
  kParamNoiseLevelLfo = 88,  // int select
  kParamNoiseLevelEnv = 89,  // int select
  kParamNoisePan = 90,       // 0..1
  kParamNoisePanLaw = 91,    // int: 0 linear, 1 equal power
  kParamNoisePanLfo = 92,    // int select
  kParamNoisePanEnv = 93,    // int select
};

struct NoiseSource {
  int32_t position;  // read position in the shared table, a multiple of 512
  float pink[7];     // pink filter states b0..b6, shared by both channels
  Patch* patch;
};

// Stores the patch, creates the shared table on its first call after start-up (65,536 draws of
// crt::rand: entry = (6K u - 3(K - 1)) / 32767 with u = rand() / 32768 and K = 10923, a uniform
// noise in about [-1, 1]), adds a reference and sets the read position to 0. Returns source.
NoiseSource* NoiseTableAcquire(Patch* patch, NoiseSource* source);
// Drops a reference; the last one frees the table.
void NoiseTableRelease();
// Entry i (0..65535) of the shared table.
float NoiseTableEntry(int i);

// Per-voice gain state {left, right}: the gains of the previous block, 0 at a note start.
struct NoiseGainPair {
  float left;
  float right;
};
void NoiseStateInit(NoiseGainPair* gains);

// True when envelope s - 1 of the voice is off (s = the level envelope select, non-zero), or,
// without one, when the voice's gate is off. The noise type is not consulted.
bool NoiseIsSilent(const NoiseSource* source, const Voice* voice);
// This block's gains: pan v and level g from their parameters, envelopes (product) and LFOs
// (product: a negative LFO value silences); v clamped to [0, 1], g below 0 to 0; then the pan
// law, times the voice's velocity.
NoiseGainPair NoiseGains(const NoiseSource* source, const Voice* voice);
// Adds 256 frames of noise to the block, the gains ramping from the pair's to this block's.
// False when the noise type is 0 (nothing written); true otherwise. Reads 512 table entries
// (left, right interleaved) and wraps the position at the table's end.
bool NoiseRender(NoiseSource* source, NoiseGainPair* gains, const Voice* voice, StereoPair out);
