// The patch table on the 15 instruments: every parameter reads back inside its range, then
// one note per instrument sounds for a few blocks. Building the PAD tables costs ten times the
// rest, so only an input whose byte after the table is 6 (the PAD waveform) builds them.
#include <algorithm>
#include <vector>

#include "fuzz/support.h"
#include "music/music_player.h"
#include "synth/channel.h"
#include "synth/patch.h"

namespace {

void CheckParams(const Patch* patch) {
  for (int p = 0; p < kParamCount; ++p) {
    const float value = PatchGet(patch, p);
    const int32_t whole = PatchGetInt(patch, p);
    FuzzRequire(value >= kParamRanges[p].min && value <= kParamRanges[p].max,
                "a parameter reads outside its range");
    FuzzRequire(whole >= kParamRanges[p].min - 1 && whole <= kParamRanges[p].max + 1,
                "a whole parameter reads outside its range");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> table(kPatchTableBytes);  // short inputs leave the rest at 0
  std::copy_n(data, std::min<size_t>(size, table.size()), table.begin());
  MusicPlayer* player = FuzzPlayer();
  MusicPlayerApplyPatches(player, table.data());
  for (int c = 0; c < kMusicInstruments; ++c) CheckParams(player->channels[c]->patches[0]);
  if (size > kPatchTableBytes && data[kPatchTableBytes] == 6) MusicPlayerBuildPadTables(player);
  for (int c = 0; c < kMusicInstruments; ++c) {
    ChannelNoteOn(player->channels[c], static_cast<uint8_t>(36 + 4 * c), 100);
  }
  RenderBlocks(player, 2);
  return 0;
}
