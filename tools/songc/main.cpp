// songc <output.cpp> <song.txt>: compiles the song source into the embedded song block.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/songc/byte_array.h"
#include "tools/songc/songc.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: songc <output.cpp> <song.txt>\n");
    return 2;
  }
  std::ifstream in(argv[2]);
  std::stringstream text;
  text << in.rdbuf();
  SongSource source;
  std::vector<uint8_t> block;
  std::string error;
  if (!in || !SongSourceParse(text.str(), &source, &error) ||
      !SongCompile(source, &block, &error)) {
    std::fprintf(stderr, "%s: %s\n", argv[2], in ? error.c_str() : "cannot read");
    return 1;
  }
  std::ofstream out(argv[1]);
  out << ByteArrayCpp("music/embedded_music.h", "kEmbeddedSong", block);
  return out ? 0 : 1;
}
