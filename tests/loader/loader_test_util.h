#pragma once
// Scripts for the loader suites: assembled from text with the script assembler, or laid out
// byte by byte; readers over them that the suite owns.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loader/scene_reader.h"
#include "tools/scriptasm/script_asm.h"

namespace loadertest {

inline std::vector<uint8_t> Assemble(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(ScriptAssemble(text, &bytes, &error)) << error;
  return bytes;
}

// A reader over `bytes` without a device (the loading bar then only counts).
inline SceneReader* ReaderOver(const std::vector<uint8_t>& bytes) {
  return SceneReaderCreateFrom(nullptr, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// A reader positioned at the first byte after the header, for the operand readers.
inline SceneReader* ReaderAtBody(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> bytes = {0, 0};
  bytes.insert(bytes.end(), body.begin(), body.end());
  SceneReader* reader = ReaderOver(bytes);
  reader->cursor = reader->copy + 2;
  return reader;
}

// Assembles and runs a script; returns its reader.
inline SceneReader* RunScript(const std::string& text) {
  SceneReader* reader = ReaderOver(Assemble(text));
  RunSceneScript(*reader);
  return reader;
}

inline uint32_t Offset(const SceneReader& reader) {
  return static_cast<uint32_t>(reader.cursor - reader.copy);
}

}  // namespace loadertest
