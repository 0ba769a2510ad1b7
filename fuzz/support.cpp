#include "fuzz/support.h"

#include <cstdio>
#include <cstdlib>

#include "loader/scene_reader.h"
#include "loader_test_util.h"
#include "music/audio_clock.h"
#include "music/embedded_music.h"
#include "music/music_player.h"
#include "music/sound_stream.h"
#include "platform/crt.h"
#include "synth/channel.h"
#include "synth/voice.h"
#include "tools/scriptasm/script_layout.h"

void FuzzRequire(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz: %s\n", what);
  std::abort();
}

namespace {

// The operands a scene input may not raise above their limit: opcode, sub-op (0 for the
// header), operand position in the layout's letters. Image sides stop at the production's 256;
// mesh segment and copy counts at 64 a side (the production's reach 32; a grid of copies at 16
// a side); extrusions, which repeat per face and so multiply the faces, at 4.
struct LimitedOperand {
  uint8_t op, sub, operand;
  uint32_t max;
};
constexpr LimitedOperand kLimited[] = {
    {1, 0, 0, 256},  {1, 0, 1, 256},                  // texture width, height
    {1, 18, 0, 256}, {1, 18, 1, 256},                 // resize width, height
    {1, 44, 0, 256},                                  // cellular points
    {2, 2, 1, 64},                                    // sphere
    {2, 3, 3, 64},   {2, 3, 4, 64},                   // cylinder
    {2, 4, 2, 64},   {2, 4, 3, 64},                   // torus
    {2, 6, 3, 64},   {2, 6, 4, 64},                   // cone
    {2, 7, 4, 64},                                    // helix turns
    {2, 31, 2, 64},  {2, 31, 3, 64},                  // sheet
    {2, 32, 2, 64},  {2, 32, 3, 64}, {2, 32, 4, 64},  // tube
    {2, 17, 5, 4},   {2, 29, 10, 4},                  // extrusions per face
    {3, 5, 2, 64},   {3, 5, 3, 64},                   // plane grid copies
    {3, 6, 3, 16},   {3, 6, 4, 16},  {3, 6, 5, 16},   // grid copies
};

bool WithinLimit(uint8_t op, uint8_t sub, size_t operand, uint32_t value) {
  for (const LimitedOperand& l : kLimited) {
    if (l.op == op && l.sub == sub && l.operand == operand) return value <= l.max;
  }
  return true;
}

// The loader's view of the bytes: past the end every read gives 0.
struct Cursor {
  const uint8_t* data;
  size_t size;
  size_t pos;
  uint32_t Byte() { return pos < size ? data[pos++] : 0; }
};

// Steps over one operand string; false when a limited operand exceeds the limit.
bool WalkOperands(Cursor& c, uint8_t op, uint8_t sub, std::string_view letters) {
  for (size_t i = 0; i < letters.size(); ++i) {
    const char letter = letters[i];
    const bool counted = letter == 's' || letter == 'B';  // length byte n, then n bytes
    const size_t bytes = counted ? c.Byte() : ScriptOperandBytes(std::string_view(&letter, 1));
    uint32_t value = 0;
    for (size_t b = 0; b < bytes; ++b) value = value << 8 | c.Byte();
    if (!WithinLimit(op, sub, i, value)) return false;
  }
  return true;
}

}  // namespace

bool SceneWithinLimits(const uint8_t* data, size_t size) {
  Cursor c{data, size, 2};
  for (uint32_t code = c.Byte(); code != 0; code = c.Byte()) {
    const ScriptOpLayout* op = ScriptFindOp(static_cast<uint8_t>(code));
    if (!op) continue;
    if (!WalkOperands(c, op->code, 0, op->header)) return false;
    for (uint32_t sub = c.Byte(); sub != 0; sub = c.Byte()) {
      const ScriptSubOpLayout* layout = ScriptFindSubOp(*op, static_cast<uint8_t>(sub));
      if (layout && !WalkOperands(c, op->code, layout->code, layout->operands)) return false;
    }
  }
  return true;
}

uint32_t RunSceneAndFree(Device* device, const uint8_t* data, size_t size) {
  crt::srand(1);
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
    for (const int32_t due = pos + 20 * static_cast<int32_t>(d); pos < due && blocks > 0; --blocks) {
      SoundStreamMixBlock(player->stream);
      AudioClockAdvance(kSoundBlockFrames);
      pos = SequencerPosition();
    }
    SequencerHandleEvent(player, track, event);
  }
  for (; blocks > 0; --blocks) SoundStreamMixBlock(player->stream);
}
