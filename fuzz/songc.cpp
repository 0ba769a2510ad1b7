// The song compiler on any text: a block it compiles decodes, with a note-on and a note-off
// for every note of each track.
#include <string>
#include <vector>

#include "fuzz/support.h"
#include "music/song.h"
#include "tools/songc/songc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SongSource source;
  std::vector<uint8_t> block;
  std::string error;
  if (!SongSourceParse(std::string(FuzzText(data, size)), &source, &error) ||
      !SongCompile(source, &block, &error)) {
    FuzzRequire(!error.empty(), "a refusal without a reason");
    return 0;
  }
  const char* fault = nullptr;
  Song* song = SongDecode(block.data(), block.size(), &fault);
  FuzzRequire(!fault, "a compiled song is rejected");
  for (int t = 0; t < kSongTracks; ++t) {
    FuzzRequire(song->tracks[t].count == 2 * source.tracks[t].size(), "notes lost or added");
  }
  SongFree(song);
  return 0;
}
