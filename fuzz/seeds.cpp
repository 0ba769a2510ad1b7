// fuzz_seeds <corpus dir> <scene seed .txt>...: writes the binary seed corpora from what the
// build compiled into the program (song, patch table, shader streams, scene script) and
// assembles the small scene seeds. The text targets take their seeds from data/ directly.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "loader/scene_script.h"
#include "music/embedded_music.h"
#include "render/shader_table.h"
#include "tools/scriptasm/script_asm.h"

namespace fs = std::filesystem;

namespace {

void Write(const fs::path& path, const void* data, size_t size) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), size);
}

bool AssembleSeed(const fs::path& source, const fs::path& corpus) {
  std::ifstream in(source);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ScriptAssemble(text.str(), &bytes, &error)) {
    std::fprintf(stderr, "%s: %s\n", source.c_str(), error.c_str());
    return false;
  }
  const fs::path name = source.stem().string() + ".bin";
  for (const char* target : {"scene_reader", "scene_device", "script_disasm"}) {
    Write(corpus / target / name, bytes.data(), bytes.size());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_seeds <corpus dir> <scene seed .txt>...\n");
    return 2;
  }
  const fs::path corpus = argv[1];
  Write(corpus / "song_player/song.bin", kEmbeddedSong, kEmbeddedSongSize);
  std::vector<uint8_t> patches(kEmbeddedPatchTable, kEmbeddedPatchTable + kEmbeddedPatchTableSize);
  Write(corpus / "patch_table/patches.bin", patches.data(), patches.size());
  patches.push_back(6);  // the marker that builds the PAD tables too
  Write(corpus / "patch_table/patches_pad.bin", patches.data(), patches.size());
  Write(corpus / "script_disasm/production.bin", kSceneScript, kSceneScriptSize);
  for (const ShaderTableEntry* e = ShaderTable; e->mode != kShaderTableEnd; ++e) {
    const std::string name = std::to_string(e->mode) + (e->kind == 1 ? "v.bin" : "p.bin");
    Write(corpus / "shader_tokens" / name, e->tokens, e->size);
  }
  bool ok = true;
  for (int i = 2; i < argc; ++i) ok = AssembleSeed(argv[i], corpus) && ok;
  return ok ? 0 : 1;
}
