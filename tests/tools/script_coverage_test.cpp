#include "tools/scriptasm/script_coverage.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "tools/scriptasm/script_asm.h"

namespace {

// A lit sphere with a normal-mapped material and an unlit variant box on layer 1, played in a
// glowing scene with a light; a fogged scene that no clip plays; a track of one linear key and
// a two-operation program; a colour-fade clip and the closing fade.
constexpr char kScript[] = R"(
texture tex 8 8 1 0 0
  invert
end
material bumpy 0 1
  diffuse tex
  normal tex
end
model sphere 0 0 0 1 0 1 0
  sphere 1 8 bumpy
end
model glowing 1 0 1 0 1 1 0
  box 1 1 1 0 -
end
light lamp
  diffuse 0xFFFFFFFF
end
camera cam
  fov 60
end
track spin 0 1
  key 0 0 0 0 0 0 0
  program {
    mov.s r1.x, c5
    rotate r1, -
  }
end
scene unplayed 0 0xFF000000 0
  leaf glowing 0 0 0 0 0 0 1 1 1
  fog 1 10 0xFF000000
end
scene shown 0 0xFF000000 1
  camera cam 0 0 0 0 0 0 1 1 1
  light lamp 0 0 0 0
  leaf sphere 0 0 5 0 0 0 1 1 1
  leaf glowing 0 0 5 0 0 0 1 1 1
end
timeline
  clip shown 4 2 0.5 0xFF000000
  clip shown 0 2 1 0xFF000000
end
)";

TEST(ScriptCoverageTest, CountsWhatAHandMadeScriptUses) {
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(ScriptAssemble(kScript, &bytes, &error)) << error;
  using Names = std::vector<std::string>;
  std::map<std::string, Names> used, unused;
  for (const CoverageCategory& c : ScriptCoverage(bytes)) {
    for (const CoverageItem& item : c.items)
      (item.used ? used : unused)[c.name].push_back(item.name);
  }
  const std::pair<const char*, Names> kUsed[] = {
      {"opcodes",
       {"texture", "model", "light", "camera", "track", "scene", "timeline", "material"}},
      {"model sub-ops", {"box", "sphere"}},
      {"scene sub-ops", {"leaf", "camera", "light", "fog"}},
      {"track sub-ops", {"key", "program"}},
      {"track interpolations", {"linear"}},
      {"transform operations", {"mov", "rotate"}},
      // the fog of the unplayed scene does not count; glow needs the layer-1 model
      {"shader modes", {"lit_normal_map", "ambient", "unlit_variant", "glow_taps"}},
      {"fade kinds", {"colour_fade", "closing_fade"}},
  };
  for (const auto& [name, names] : kUsed) EXPECT_EQ(used[name], names) << name;
  EXPECT_EQ(unused["opcodes"], (Names{"group", "node", "font"}));
  const std::string report = CoverageReport(ScriptCoverage(bytes));
  EXPECT_EQ(report.substr(report.rfind("coverage:")), "coverage: 31/182\n");
}

}  // namespace
