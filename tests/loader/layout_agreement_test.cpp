// The loader reads exactly the operands the shared layout table gives each sub-op: one block of
// each kind holds every sub-op of the table, filled with operand bytes, then every code outside
// the table (a lone byte each), followed by the block's end and two lone opcodes, so a builder
// that reads one byte too few or too many ends elsewhere with another tick count.
#include <gtest/gtest.h>

#include "loader_test_util.h"
#include "scene/timeline.h"
#include "tools/scriptasm/script_layout.h"

namespace {

using loadertest::Offset;
using loadertest::ReaderOver;
using loadertest::ReaderPtr;

// Filler operand bytes: strings and blobs of one byte 'A', every other byte 1.
void AppendFillerOperands(std::vector<uint8_t>& bytes, std::string_view letters) {
  for (char letter : letters) {
    if (letter == 's' || letter == 'B' || letter == 'P') {
      bytes.insert(bytes.end(), {1, 'A'});
    } else {
      bytes.insert(bytes.end(), ScriptOperandBytes(std::string_view(&letter, 1)), 1);
    }
  }
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

// Every case also runs without any device, as tools and the loader's own tests read scripts.
TEST(LayoutAgreementTest, EverySubOpReadsItsTableOperandsAndOthersNothing) {
  for (Device* device : {loadertest::RecordDevice(), static_cast<Device*>(nullptr)}) {
    for (const Case& c : kBuilt) {
      const ScriptOpLayout* op = ScriptFindOp(c.opcode);
      ASSERT_NE(op, nullptr);
      SCOPED_TRACE(op->name);
      ASSERT_EQ(c.header.size(), ScriptOperandBytes(op->header));
      std::vector<uint8_t> bytes = {0, 0, c.opcode};
      bytes.insert(bytes.end(), c.header.begin(), c.header.end());
      for (const ScriptSubOpLayout& sub : op->subOps) {
        bytes.push_back(sub.code);
        AppendFillerOperands(bytes, sub.operands);
      }
      for (uint32_t code = 1; code < 256; ++code)
        if (!ScriptFindSubOp(*op, static_cast<uint8_t>(code))) bytes.push_back(uint8_t(code));
      bytes.insert(bytes.end(), {0, 8, 8, 0});
      ReaderPtr reader = ReaderOver(bytes, device);
      RunSceneScript(*reader);
      // The opcode, codes 1 to 255 once each, the block's end, two lone opcodes, the final 0.
      EXPECT_EQ(reader->ticks, 260u);
      EXPECT_EQ(Offset(*reader), bytes.size());
      EXPECT_EQ(Made(*reader, c), 1u);
    }
  }
}

}  // namespace
