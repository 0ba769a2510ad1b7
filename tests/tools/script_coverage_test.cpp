#include "tools/scriptasm/script_coverage.h"

#include "tool_checks.h"
#include "tools/scriptasm/script_asm.h"

namespace {

// A lit sphere with a normal-mapped material and an unlit variant box on layer 1, played in a
// glowing scene with a light; a fogged scene that no clip plays; a track of one linear key and
// a two-operation program (mov.s r1.x, c5; rotate r1, -); a colour-fade clip and the closing fade.
constexpr char kScript[] = R"(
texture tex 8 8 1 0 0
end
material bumpy 0 1
  normal tex
end
model sphere 0 0 0 1 0 1 0
  sphere 1 8 bumpy
end
model glowing 1 0 1 0 1 1 0
  box 1 1 1 0 -
end
light lamp
end
track spin 0 1
  key 0 0 0 0 0 0 0
  program [8f a1 00 c5 15 81 00]
end
scene unplayed 0 0xFF000000 0
  leaf glowing 0 0 0 0 0 0 1 1 1
  fog 1 10 0xFF000000
end
scene shown 0 0xFF000000 1
  light lamp 0 0 0 0
  leaf sphere 0 0 5 0 0 0 1 1 1
  leaf glowing 0 0 5 0 0 0 1 1 1
end
timeline
  clip shown 4 2 0.5 0xFF000000
  clip shown 0 2 1 0xFF000000
end
)";

// The fog of the unplayed scene does not count; glow needs the layer-1 model.
TEST(ScriptCoverageTest, CountsWhatAHandMadeScriptUses) {
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ScriptAssemble(kScript, &bytes, &error)) << error;
  const UsedItems want = {
      {"opcodes", {"texture", "model", "light", "track", "scene", "timeline", "material"}},
      {"model sub-ops", {"box", "sphere"}},
      {"scene sub-ops", {"leaf", "light", "fog"}},
      {"track sub-ops", {"key", "program"}},
      {"timeline sub-ops", {"clip"}},
      {"material sub-ops", {"normal"}},
      {"track interpolations", {"linear"}},
      {"transform operations", {"mov", "rotate"}},
      {"shader modes", {"lit_normal_map", "ambient", "unlit_variant", "glow_taps"}},
      {"fade kinds", {"colour_fade", "closing_fade"}},
  };
  EXPECT_EQ(UsedItemsOf(ScriptCoverage(bytes)), want);
}

}  // namespace
