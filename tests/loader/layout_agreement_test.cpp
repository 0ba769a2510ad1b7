// The loader reads exactly the operands the shared layout table gives each sub-op: every
// sub-op, filled with operand bytes, is followed by the block's end and two lone opcodes, so a
// builder that reads one byte too few or too many ends elsewhere with another tick count.
#include <gtest/gtest.h>

#include <map>

#include "loader_test_util.h"
#include "scene/timeline.h"
#include "shell/device_startup.h"
#include "tools/scriptasm/script_layout.h"

namespace {

using loadertest::Offset;
using loadertest::ReaderOver;
using loadertest::ReaderPtr;

// Filler operand bytes: strings and blobs of one byte 'A', every other byte 1.
std::vector<uint8_t> FillerOperands(std::string_view letters) {
  std::vector<uint8_t> bytes;
  for (char letter : letters) {
    if (letter == 's' || letter == 'B' || letter == 'P') {
      bytes.insert(bytes.end(), {1, 'A'});
    } else {
      bytes.insert(bytes.end(), ScriptOperandBytes(std::string_view(&letter, 1)), 1);
    }
  }
  return bytes;
}

struct Case {
  uint8_t opcode;
  std::vector<uint8_t> header;  // small, valid objects
  List* SceneReader::*list;     // where the object lands (fonts: the font list)
  uint32_t index;               // list index; ignored for the font list
};

constexpr uint32_t kClips = 99;  // the timeline makes no referable object

const Case kBuilt[] = {
    {1, {0, 16, 0, 16, 1, 0, 0}, nullptr, kListTextures},
    {2, {0, 0, 0, 1, 0, 1, 0}, nullptr, kListModels},
    {3, {}, nullptr, kListGroups},
    {4, {}, nullptr, kListLights},
    {5, {}, nullptr, kListCameras},
    {6, {}, nullptr, kListKind3Nodes},
    {7, {1, 1}, nullptr, kListTracks},
    {9, {0, 0, 0, 0, 0, 0, 255, 0, 128}, nullptr, kListScenes},
    {10, {}, nullptr, kClips},
    {12, {0, 0, 12}, &SceneReader::fonts, 0},
    {13, {0, 1, 0}, nullptr, kListMaterials},
};

// Objects the case's opcode made, plus one for the timeline, whose clip is dropped: the
// filler's scene reference does not resolve.
uint32_t Made(const SceneReader& reader, const Case& c) {
  if (c.list) return ListCount(*(reader.*c.list));
  if (c.index == kClips) return ListCount(*reader.timeline->clips) + 1;
  return ListCount(*reader.lists[c.index]);
}

// A device record without a Direct3D device: cameras take its size, nothing is uploaded.
// Every case also runs without any device, as tools and the loader's own tests read scripts.
Device* RecordDevice() {
  static Device device = [] {
    Device d{};
    DeviceInit(&d);
    d.width = 64;
    d.height = 48;
    return d;
  }();
  return &device;
}

TEST(LayoutAgreementTest, EverySubOpReadsItsTableOperands) {
  for (Device* device : {RecordDevice(), static_cast<Device*>(nullptr)}) {
    for (const Case& c : kBuilt) {
      const ScriptOpLayout* op = ScriptFindOp(c.opcode);
      ASSERT_NE(op, nullptr);
      ASSERT_EQ(c.header.size(), ScriptOperandBytes(op->header));
      for (const ScriptSubOpLayout& sub : op->subOps) {
        std::vector<uint8_t> bytes = {0, 0, c.opcode};
        bytes.insert(bytes.end(), c.header.begin(), c.header.end());
        bytes.push_back(sub.code);
        std::vector<uint8_t> operands = FillerOperands(sub.operands);
        bytes.insert(bytes.end(), operands.begin(), operands.end());
        bytes.insert(bytes.end(), {0, 8, 8, 0});
        ReaderPtr reader = ReaderOver(bytes, device);
        RunSceneScript(*reader);
        EXPECT_EQ(reader->ticks, 6u) << op->name << " " << sub.name;
        EXPECT_EQ(Offset(*reader), bytes.size()) << op->name << " " << sub.name;
        EXPECT_EQ(Made(*reader, c), 1u) << op->name << " " << sub.name;
      }
    }
  }
}

TEST(LayoutAgreementTest, SubOpsOutsideTheTableReadNothing) {
  for (const Case& c : kBuilt) {
    const ScriptOpLayout* op = ScriptFindOp(c.opcode);
    std::vector<uint8_t> bytes = {0, 0, c.opcode};
    bytes.insert(bytes.end(), c.header.begin(), c.header.end());
    uint32_t ignored = 0;
    for (uint32_t code = 1; code < 256; ++code) {
      if (!ScriptFindSubOp(*op, static_cast<uint8_t>(code))) {
        bytes.push_back(static_cast<uint8_t>(code));
        ++ignored;
      }
    }
    bytes.insert(bytes.end(), {0, 0});
    ReaderPtr reader = ReaderOver(bytes, RecordDevice());
    RunSceneScript(*reader);
    EXPECT_EQ(reader->ticks, ignored + 3) << op->name;
    EXPECT_EQ(Made(*reader, c), 1u) << op->name;
    EXPECT_EQ(Offset(*reader), bytes.size()) << op->name;
  }
}

}  // namespace
