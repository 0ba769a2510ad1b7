#include "fuzz/support.h"

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "loader/scene_reader.h"
#include "loader_test_util.h"
#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "synth/channel.h"
#include "synth/voice.h"
#include "texgen/row_pool.h"
#include "tools/scriptasm/script_walk.h"

void FuzzRequire(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

namespace {

// The operands a scene input may not raise above their limit: opcode, sub-op (0 for the
// header), operand position in the layout's letters. The production reaches images of 512 x 256,
// mesh segment counts of 40, grids of 7 copies a side, 2 extrusions and one mirror tile. Here
// images stop at 64 a side (every operation walks every pixel, and its rows take the same paths
// at any size), segment and copy counts at 64 (a grid of copies at 16 a side), extrusions,
// which repeat per face and so multiply the faces, at 4. Position kUses limits how often a
// sub-op occurs in the input.
constexpr uint8_t kUses = 255;
struct LimitedOperand {
  uint8_t op, sub, operand;
  uint32_t max;
};
constexpr LimitedOperand kLimited[] = {
    {1, 0, 0, 64},     {1, 0, 1, 64},                   // texture width, height
    {1, 18, 0, 64},    {1, 18, 1, 64},                  // resize width, height
    {1, 44, 0, 256},                                    // cellular points
    {1, 31, kUses, 2},                                  // mirror tiles, each doubling both sides
    {2, 2, 1, 64},                                      // sphere
    {2, 3, 3, 64},     {2, 3, 4, 64},                   // cylinder
    {2, 4, 2, 64},     {2, 4, 3, 64},                   // torus
    {2, 6, 3, 64},     {2, 6, 4, 64},                   // cone
    {2, 7, 4, 64},                                      // helix turns
    {2, 31, 2, 64},    {2, 31, 3, 64},                  // sheet
    {2, 32, 2, 64},    {2, 32, 3, 64}, {2, 32, 4, 64},  // tube
    {2, 17, 5, 4},     {2, 29, 10, 4},                  // extrusions per face
    {3, 5, 2, 64},     {3, 5, 3, 64},                   // plane grid copies
    {3, 6, 3, 16},     {3, 6, 4, 16},  {3, 6, 5, 16},   // grid copies
};

bool WithinLimit(uint8_t op, uint8_t sub, size_t operand, uint32_t value) {
  for (const LimitedOperand& l : kLimited) {
    if (l.op == op && l.sub == sub && l.operand == operand) return value <= l.max;
  }
  return true;
}

}  // namespace

bool SceneWithinLimits(const uint8_t* data, size_t size) {
  // The loader reads 0 past the end: zeros after the input close whatever record it cuts off.
  std::vector<uint8_t> bytes(data, data + size);
  bytes.resize(size + 1024);
  bool within = true;
  std::map<std::pair<uint8_t, uint8_t>, uint32_t> uses;
  std::string error;
  ScriptWalk(
      bytes,
      [&](const ScriptStep& step) {
        if (step.kind != ScriptStep::kOpen && step.kind != ScriptStep::kSubOp) return;
        const uint8_t sub = step.kind == ScriptStep::kOpen ? 0 : step.code;
        within = within && WithinLimit(step.op->code, sub, kUses, ++uses[{step.op->code, sub}]);
        for (size_t i = 0; i < step.operands.size(); ++i) {
          within =
              within && WithinLimit(step.op->code, sub, i, ScriptOperandValue(step.operands[i]));
        }
      },
      &error);  // bytes after the final 0, which the loader never reads, are no fault here
  return within;
}

uint32_t RunSceneAndFree(Device* device, const uint8_t* data, size_t size) {
  crt::srand(1);
  TextureSetThreadCount(1);  // one core per fuzzer; the pixels do not depend on it
  SceneReader* reader = SceneReaderCreateFrom(device, data, static_cast<uint32_t>(size));
  RunSceneScript(*reader);
  const uint32_t ticks = reader->ticks;
  loadertest::FreeReader(reader);
  return ticks;
}

MusicPlayer* FuzzPlayer() {
  static MusicPlayer* player = [] {
    MusicPlayer* p = MusicPlayerInit(crt::AlignedNew<MusicPlayer>());
    MusicPlayerApplyPatches(p, kEmbeddedPatchTable);
    return p;
  }();
  for (Channel* channel : player->channels) {
    for (Voice* voice : channel->voices) {
      if (voice->active) VoiceClear(voice);
    }
  }
  return player;
}

void RenderBlocks(MusicPlayer* player, int blocks) {
  AudioClockReset();
  int32_t pos = 0;
  int track = 0;
  const SongEvent* event = nullptr;
  uint32_t d = 0;
  while (blocks > 0 && player->song && SequencerNextEvent(player, &track, &event, &d)) {
    for (const int32_t due = pos + 20 * static_cast<int32_t>(d); pos < due && blocks > 0;
         --blocks) {
      SoundStreamMixBlock(player->stream);
      AudioClockAdvance(kSoundBlockFrames);
      pos = SequencerPosition();
    }
    SequencerHandleEvent(player, track, event);
  }
  for (; blocks > 0; --blocks) SoundStreamMixBlock(player->stream);
}
