#pragma once
// Scripts for the loader suites: assembled from text with the script assembler, or laid out
// byte by byte; readers over them that the suite owns.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "loader/scene_reader.h"
// The records a script builds: the suite inspects them, FreeReader frees them.
#include "mesh/material.h"
#include "platform/crt.h"
#include "scene/anim.h"
#include "scene/camera.h"
#include "scene/kind3_node.h"
#include "scene/light.h"
#include "scene/model.h"
#include "scene/node.h"
#include "scene/scene.h"
#include "scene/timeline.h"
#include "scene/transform_program.h"
#include "texgen/texture.h"
#include "tools/scriptasm/script_asm.h"

namespace loadertest {

// A device record of 64 x 48 without a Direct3D device, shared by the suite: cameras take its
// size, nothing is uploaded.
Device* RecordDevice();

// Frees the reader and everything it built (the loader itself never frees them).
void FreeReader(SceneReader* reader);
using ReaderPtr = std::unique_ptr<SceneReader, decltype(&FreeReader)>;

inline std::vector<uint8_t> Assemble(const std::string& text) {
  std::vector<uint8_t> bytes;
  std::string error;
  EXPECT_TRUE(ScriptAssemble(text, &bytes, &error)) << error;
  return bytes;
}

// A reader over `bytes` on `device` (none: the loading bar only counts, nothing is uploaded).
inline ReaderPtr ReaderOver(const std::vector<uint8_t>& bytes, Device* device = nullptr) {
  return ReaderPtr(SceneReaderCreateFrom(device, bytes.data(), static_cast<uint32_t>(bytes.size())),
                   FreeReader);
}

// A reader positioned at the first byte after the header, for the operand readers.
inline ReaderPtr ReaderAtBody(const std::vector<uint8_t>& body) {
  std::vector<uint8_t> bytes = {0, 0};
  bytes.insert(bytes.end(), body.begin(), body.end());
  ReaderPtr reader = ReaderOver(bytes);
  reader->cursor = reader->copy + 2;
  return reader;
}

// Assembles and runs a script on the device record; returns its reader.
inline ReaderPtr RunScript(const std::string& text) {
  ReaderPtr reader = ReaderOver(Assemble(text), RecordDevice());
  RunSceneScript(*reader);
  return reader;
}

// Item i of one of the reader's object lists.
template <class T>
T* At(const ReaderPtr& reader, ScriptList list, uint32_t i) {
  return ListAtAs<T>(*reader->lists[list], i);
}

inline uint32_t Offset(const SceneReader& reader) {
  return static_cast<uint32_t>(reader.cursor - reader.copy);
}

}  // namespace loadertest
