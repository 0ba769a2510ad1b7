#include "tools/scriptasm/script_coverage.h"

#include <map>
#include <set>

#include "tools/scriptasm/transform_asm.h"

namespace {

constexpr std::string_view kModeNames[] = {
    "",
    "unlit",
    "lit_specular",
    "lit_normal_map",
    "lit_plain",
    "ambient",
    "unlit_variant",
    "variant_specular",
    "variant_plain",
    "variant_normal_map",
    "ambient_variant",
    "glow_taps",
    "screen_quads",
    "refraction",
    "fog",
};
constexpr std::string_view kFadeNames[] = {"cut", "colour_fade", "closing_fade"};
constexpr std::string_view kInterpolationNames[] = {"linear", "cubic"};

enum Mode : int {
  kUnlit = 1,
  kLitSpecular = 2,
  kLitNormal = 3,
  kLitPlain = 4,
  kAmbient = 5,
  kGlow = 11,
  kQuads = 12,
  kRefraction = 13,
  kFog = 14,
};
// The shader-variant counterpart of modes 1 to 5.
constexpr int kVariantOf[] = {0, 6, 7, 9, 8, 10};

struct ModelInfo {
  bool lit = true, variant = false, special = false, layer1 = false;
  std::set<int> materials;  // indices into the material list; -1 for faces without one
};

struct MaterialInfo {
  bool normal = false, specular = false;
};

struct SceneInfo {
  std::set<int> models;
  bool lights = false, fog = false, quads = false, glow = false;
  std::set<int> modes;  // filled when the scene is finished, with its sub-scenes' modes
};

struct Collector {
  std::set<std::string> opcodes;
  std::map<std::string_view, std::set<std::string_view>> subOps;  // by opcode name
  std::set<int> interpolations, transformOps, modes, fades;
  bool closingFade = false;

  std::vector<ModelInfo> models;
  std::vector<MaterialInfo> materials;
  std::vector<std::set<int>> groups;  // the models each group draws
  std::vector<SceneInfo> scenes;
  ModelInfo model;
  MaterialInfo material;
  std::set<int> group;
  SceneInfo scene;
  int textures = 0;
  int trackKind = 0;
  bool trackHasKey = false;

  template <typename T>
  static const T* At(const std::vector<T>& list, ScriptBytes ref) {
    const int index = static_cast<int8_t>(ref[0]);
    return (index >= 0 && index < static_cast<int>(list.size())) ? &list[index] : nullptr;
  }

  void Open(const ScriptStep& step) {
    opcodes.insert(std::string(step.op->name));
    const auto& h = step.operands;
    if (step.op->name == "model") {
      model = {ScriptOperandValue(h[3]) != 0,
               ScriptOperandValue(h[4]) != 0,
               ScriptOperandValue(h[6]) != 0,
               ScriptOperandValue(h[2]) != 0,
               {}};
    } else if (step.op->name == "material") {
      material = {};
    } else if (step.op->name == "group") {
      group.clear();
    } else if (step.op->name == "scene") {
      scene = {};
      scene.glow = ScriptOperandValue(h[2]) != 0;
    } else if (step.op->name == "track") {
      trackKind = ScriptOperandValue(h[0]) != 0;
      trackHasKey = false;
    }
  }

  void ModelSubOp(const ScriptStep& step) {
    for (size_t i = 0; i < step.letters.size(); ++i) {
      const int index = static_cast<int8_t>(step.operands[i][0]);
      const bool found = index >= 0 && index < static_cast<int>(materials.size());
      if (step.letters[i] == 'M') {
        if (step.sub->name == "material") model.materials.clear();
        model.materials.insert(found ? index : -1);
      } else if (step.letters[i] == 'D') {
        if (const ModelInfo* other = At(models, step.operands[i])) {
          model.materials.insert(other->materials.begin(), other->materials.end());
        }
      }
    }
  }

  void SceneSubOp(const ScriptStep& step) {
    const std::string_view name = step.sub->name;
    if (name == "leaf") {
      if (At(models, step.operands[0]))
        scene.models.insert(static_cast<int8_t>(step.operands[0][0]));
    } else if (name == "group") {
      if (const auto* g = At(groups, step.operands[0])) scene.models.insert(g->begin(), g->end());
    } else if (name == "light") {
      scene.lights = true;
    } else if (name == "fog") {
      scene.fog = true;
    } else if (name == "background" || name == "overlay") {
      scene.quads = true;
    } else if (name == "copy") {
      if (const SceneInfo* other = At(scenes, step.operands[0])) scene = *other;
    } else if (name == "subscene") {
      if (const SceneInfo* other = At(scenes, step.operands[0])) {
        scene.modes.insert(other->modes.begin(), other->modes.end());
      }
    }
  }

  void Clip(const ScriptStep& step) {
    const uint32_t duration = ScriptOperandValue(step.operands[1]);
    const bool colour = ScriptOperandValue(step.operands[2]) == 2;
    closingFade = colour && duration == 0;
    if (!colour) fades.insert(0);
    if (colour && duration != 0 && ScriptOperandValue(step.operands[3]) != 0) fades.insert(1);
    if (const SceneInfo* played = At(scenes, step.operands[0])) {
      modes.insert(played->modes.begin(), played->modes.end());
    }
  }

  void SubOp(const ScriptStep& step) {
    if (!step.sub) return;
    subOps[step.op->name].insert(step.sub->name);
    const std::string_view op = step.op->name, name = step.sub->name;
    if (op == "model") ModelSubOp(step);
    if (op == "scene") SceneSubOp(step);
    if (op == "timeline" && name == "clip") Clip(step);
    if (op == "material") {
      const int index = static_cast<int8_t>(step.operands[0][0]);
      const bool found = index >= 0 && index < textures;
      if (name == "normal") material.normal = material.normal || found;
      if (name == "specular") material.specular = material.specular || found;
    }
    if (op == "group" && name == "leaf" && At(models, step.operands[0])) {
      group.insert(static_cast<int8_t>(step.operands[0][0]));
    }
    if (op == "group" && name == "group") {
      if (const auto* g = At(groups, step.operands[0])) group.insert(g->begin(), g->end());
    }
    if (op == "track" && name == "program") {
      for (uint8_t code : TransformProgramOps(step.operands[0].subspan(1)))
        transformOps.insert(code);
    }
    if (op == "track" && name != "program") trackHasKey = true;
  }

  // The lit modes of one material under the per-light passes.
  int LitMode(int index) const {
    const MaterialInfo none;
    const MaterialInfo& m = index >= 0 ? materials[index] : none;
    return m.specular ? kLitSpecular : m.normal ? kLitNormal : kLitPlain;
  }

  void ModesOfModel(const SceneInfo& s, const ModelInfo& m, std::set<int>* out) const {
    auto add = [&](int mode) { out->insert(m.variant ? kVariantOf[mode] : mode); };
    if (s.glow && m.layer1) out->insert(kGlow);
    if (m.special) return (void)out->insert(kRefraction);
    if (s.fog) out->insert(kFog);
    if (!m.lit) return add(kUnlit);
    add(kAmbient);
    if (!s.lights) return;
    if (m.materials.empty()) add(kLitPlain);
    for (int index : m.materials) add(LitMode(index));
  }

  void End(const ScriptStep& step) {
    const std::string_view op = step.op->name;
    if (op == "texture") ++textures;
    if (op == "model") models.push_back(model);
    if (op == "material") materials.push_back(material);
    if (op == "group") groups.push_back(group);
    if (op == "track" && trackHasKey) interpolations.insert(trackKind);
    if (op != "scene") return;
    for (int index : scene.models) ModesOfModel(scene, models[index], &scene.modes);
    if (scene.quads) scene.modes.insert(kQuads);
    scenes.push_back(scene);
  }

  void Step(const ScriptStep& step) {
    switch (step.kind) {
      case ScriptStep::kLoneOpcode: break;
      case ScriptStep::kOpen: Open(step); break;
      case ScriptStep::kSubOp: SubOp(step); break;
      case ScriptStep::kEnd: End(step); break;
    }
  }
};

void Sort(CoverageCategory* category, std::string_view name, bool used) {
  category->items.push_back({std::string(name), used});
}

std::vector<CoverageCategory> Categories(const Collector& c) {
  std::vector<CoverageCategory> out;
  CoverageCategory opcodes{"opcodes", {}};
  for (const ScriptOpLayout& op : ScriptOpLayouts()) {
    Sort(&opcodes, op.name, c.opcodes.count(std::string(op.name)));
  }
  out.push_back(opcodes);
  for (const ScriptOpLayout& op : ScriptOpLayouts()) {
    if (op.subOps.empty()) continue;
    CoverageCategory subs{std::string(op.name) + " sub-ops", {}};
    const auto found = c.subOps.find(op.name);
    for (const ScriptSubOpLayout& sub : op.subOps) {
      if (!sub.inert)
        Sort(&subs, sub.name, found != c.subOps.end() && found->second.count(sub.name));
    }
    out.push_back(subs);
  }
  auto table = [&](std::string name, std::span<const std::string_view> names,
                   const std::set<int>& used, int first) {
    CoverageCategory category{std::move(name), {}};
    for (size_t i = first; i < names.size(); ++i) Sort(&category, names[i], used.count(int(i)));
    out.push_back(category);
  };
  table("track interpolations", kInterpolationNames, c.interpolations, 0);
  table("transform operations", TransformOpNames(), c.transformOps, 0);
  table("shader modes", kModeNames, c.modes, 1);
  std::set<int> fades = c.fades;
  if (c.closingFade) fades.insert(2);
  table("fade kinds", kFadeNames, fades, 0);
  return out;
}

}  // namespace

std::vector<CoverageCategory> ScriptCoverage(ScriptBytes bytes) {
  Collector collector;
  std::string error;
  if (ScriptWalk(
          bytes, [&](const ScriptStep& step) { collector.Step(step); }, &error) < 0) {
    return {};
  }
  return Categories(collector);
}
