// The loader reads exactly the operands the shared layout table gives each sub-op: one block of
// each kind holds every sub-op of the table, filled with operand bytes, then every code outside
// the table (a lone byte each), followed by the block's end and two lone opcodes, so a builder
// that reads one byte too few or too many ends elsewhere with another tick count.
#include "loader_test_util.h"
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

// Each kind's opcode followed by the header of a small, valid object.
constexpr uint8_t kBlockStarts[] = {1, 0, 16,  0, 16,  1,  0,  0, 2, 0,  0,  0, 1, 0,
                                    1, 0, 3,   4, 5,   6,  7,  1, 1, 9,  0,  0, 0, 0,
                                    0, 0, 255, 0, 128, 10, 12, 0, 0, 12, 13, 0, 1, 0};

TEST(LayoutAgreementTest, EverySubOpReadsItsTableOperandsAndOthersNothing) {
  for (size_t at = 0; at < std::size(kBlockStarts);) {
    const ScriptOpLayout* op = ScriptFindOp(kBlockStarts[at]);
    ASSERT_NE(op, nullptr);
    SCOPED_TRACE(op->name);
    const size_t end = at + 1 + ScriptOperandBytes(op->header);
    std::vector<uint8_t> bytes = {0, 0};
    bytes.insert(bytes.end(), kBlockStarts + at, kBlockStarts + end);
    at = end;
    for (const ScriptSubOpLayout& sub : op->subOps) {
      bytes.push_back(sub.code);
      AppendFillerOperands(bytes, sub.operands);
    }
    for (uint32_t code = 1; code < 256; ++code)
      if (!ScriptFindSubOp(*op, static_cast<uint8_t>(code))) bytes.push_back(uint8_t(code));
    bytes.insert(bytes.end(), {0, 8, 8, 0});
    ReaderPtr reader = ReaderOver(bytes, loadertest::RecordDevice());
    RunSceneScript(*reader);
    // The opcode, codes 1 to 255 once each, the block's end, two lone opcodes, the final 0.
    EXPECT_EQ(reader->ticks, 260u);
    EXPECT_EQ(Offset(*reader), bytes.size());
  }
}

}  // namespace
