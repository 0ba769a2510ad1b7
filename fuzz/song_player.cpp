// The song decoder, then the player sequencing the song over the production's instruments for
// a few blocks of offline rendering.
#include "fuzz/support.h"
#include "music/music_player.h"
#include "music/song.h"

namespace {

// A rejected block leaves 16 empty tracks; every track ends in the terminator.
void CheckDecoded(const Song& song, const char* error) {
  FuzzRequire(!error || song.endValue == 0, "a rejected song keeps its end value");
  for (int t = 0; t < kSongTracks; ++t) {
    const SongTrack& track = song.tracks[t];
    FuzzRequire(!error || track.count == 0, "a rejected song keeps events");
    for (uint32_t i = 0; i <= track.count; ++i) {
      const bool last = i == track.count;
      FuzzRequire((track.events[i].delta == kSongTerminator) == last, "a misplaced terminator");
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* error = nullptr;
  Song* song = SongDecode(data, size, &error);
  CheckDecoded(*song, error);
  SongFree(song);
  MusicPlayer* player = FuzzPlayer();
  MusicPlayerLoadSong(player, data, size);
  RenderBlocks(player, 3);
  return 0;
}
