#include "tools/scriptasm/script_layout.h"

namespace {

using S = ScriptSubOpLayout;

constexpr S kTextureOps[] = {
    {1, "pixel", "wwc"},
    {2, "line", "wwwwc"},
    {3, "hline", "wwwc"},
    {4, "vline", "wwwc"},
    {5, "rect", "wwwwc"},
    {6, "fill_rect", "wwwwc"},
    {7, "circle", "wwwc"},
    {8, "fill_circle", "wwwc"},
    {9, "linear_gradient", "wwwwcc"},
    {10, "radial_gradient", "wwwcc"},
    {11, "bricks", "bbb"},
    {12, "unused12", "hhhcc", true},
    {13, "copy_rect", "wwwwww"},
    {14, "copy_rect_line", "wwwwwww"},
    {15, "copy_rect_grid", "wwwwwwww"},
    {16, "blend", "Tbb"},
    {17, "combine_channels", "Tb"},
    {18, "resize", "wwb"},
    {19, "add_noise", "bbb"},
    {20, "noise_layer", "bwwhhb"},
    {21, "blur", "b"},
    {22, "clamp_to_color", "c"},
    {23, "grayscale", ""},
    {24, "invert", ""},
    {25, "emboss", "b"},
    {26, "octave_noise", ""},
    {27, "random_blend_color", "bc"},
    {28, "random_alpha_0_255", ""},
    {29, "random_alpha_50_200", ""},
    {30, "alpha_from_luminance", ""},
    {31, "mirror_tile", ""},
    {32, "sine_shift_rows", "ww"},
    {33, "sine_shift_columns", "ww"},
    {34, "sine_shift_both", "ww"},
    {35, "scatter", "b"},
    {36, "add_color", "c"},
    {37, "subtract_color", "c"},
    {38, "scale_channels", "hhhh"},
    {39, "vertical_blur", "b"},
    {40, "rotate", "wb"},
    {41, "unused41", "b", true},
    {42, "threshold_recolor", "bc"},
    {43, "threshold_recolor_b", "bc"},
    {44, "cellular", "wbb"},
    {45, "normal_map", ""},
    {46, "text", "sbbbwwcs"},
    {47, "edge_detect_strong", "b"},
    {48, "edge_detect", "b"},
    {49, "sharpen", "b"},
    {50, "relief_up_left", "b"},
    {51, "relief_down_right", "b"},
    {52, "convolve", "hhhhhhhhhb"},
    {53, "gradient_map", "bccccccbbbbbb"},
    {54, "grid", "wwbc"},
};

constexpr S kModelOps[] = {
    {1, "box", "xxxwM"},
    {2, "sphere", "xbM"},
    {3, "cylinder", "xxxbbM"},
    {4, "torus", "xxbbM"},
    {5, "pyramid", "xxxM"},
    {6, "cone", "xxxbbM"},
    {7, "helix", "xxbbbxM"},
    {8, "scale", "xxx"},
    {9, "translate", "xxx"},
    {10, "rotate", "xxx"},
    {11, "negate", ""},
    {12, "flip", ""},
    {13, "merge", "D"},
    {14, "append_transformed", "DX"},
    {15, "unused15", "", true},
    {16, "scale_uv", "xx"},
    {17, "extrude", "xxxxxb"},
    {18, "jitter", "xxx"},
    {19, "material", "M"},
    {20, "unused20", "xb", true},
    {21, "normals", ""},
    {22, "unused22", "D", true},
    {23, "unused23", "D", true},
    {24, "unused24", "D", true},
    {25, "clone_meshes", "D"},
    {26, "tapered_box", "xxxhwM"},
    {27, "deformer", "bbhhbbb"},
    {28, "attract", "xxxxb"},
    {29, "extrude_jittered", "xxxxxhhhhhbwb"},
    {30, "displace", "Tbx"},
    {31, "sheet", "xxwwM"},
    {32, "tube", "xxwwbM"},
    {33, "shape", "xxxM"},
};

constexpr S kGroupOps[] = {
    {1, "leaf", "DX"},
    {2, "node", "KX"},
    {3, "group", "GX"},
    {4, "path_copies", "xxxxxxxxxbb"},
    {5, "plane_grid_copies", "xxbbxx"},
    {6, "grid_copies", "xxxbbbxxxbbbb"},
    {7, "ring_copies", "xbxx"},
    {8, "track", "R"},
    {9, "reflect", "xxx"},
};

constexpr S kLightOps[] = {
    {1, "diffuse", "c"}, {2, "specular", "c"},      {3, "ambient", "c"},
    {4, "range", "x"},   {5, "unused5", "x", true},
};

constexpr S kCameraOps[] = {
    {1, "viewport", "wwww"}, {2, "height_fraction", "h"}, {3, "translate", "xxx"},
    {4, "rotate", "hhh"},    {5, "scale", "hhh"},         {6, "fov", "x"},
};

constexpr S kKind3Ops[] = {
    {1, "count", "w"},   {2, "value1", "h"},    {3, "texture", "T"},    {4, "value2", "h"},
    {5, "colors", "cc"}, {6, "vector1", "hhh"}, {7, "vector4", "hhh"},  {8, "color3", "c"},
    {9, "value3", "h"},  {10, "value4", "h"},   {11, "vector3", "hhh"},
};

// A quaternion key carries its eight values only.
constexpr S kTrackOps[] = {
    {1, "key", "xxxxxxx"},
    {2, "program", "P"},
    {3, "quat_key", "xxxxxxxx"},
};

constexpr S kSceneOps[] = {
    {1, "leaf", "DX"},        {2, "camera", "CX"},        {3, "light", "Lbxxx"},
    {4, "node", "KX"},        {5, "group", "GX"},         {6, "track", "R"},
    {7, "fog", "xxc"},        {8, "unused8", "bb", true}, {9, "background", "Thhb"},
    {10, "overlay", "Thhbb"}, {11, "copy", "S"},          {12, "subscene", "STbx"},
};

constexpr S kTimelineOps[] = {
    {1, "clip", "Sxbhc"},
    {2, "text", "sFcxxhwwww"},
};

constexpr S kMaterialOps[] = {
    {1, "diffuse", "T"},
    {2, "normal", "T"},
    {3, "specular", "T"},
};

// Opcode 12 has no sub-ops: its tail bytes up to the 0 are filler.
constexpr ScriptOpLayout kOps[] = {
    {1, "texture", "wwbbf", kTextureOps, 'T'}, {2, "model", "bbbbbbb", kModelOps, 'D'},
    {3, "group", "", kGroupOps, 'G'},          {4, "light", "", kLightOps, 'L'},
    {5, "camera", "", kCameraOps, 'C'},        {6, "node", "", kKind3Ops, 'K'},
    {7, "track", "bf", kTrackOps, 'R'},        {9, "scene", "xch", kSceneOps, 'S'},
    {10, "timeline", "", kTimelineOps, 0},     {12, "font", "sw", {}, 'F'},
    {13, "material", "fh", kMaterialOps, 'M'},
};

}  // namespace

std::span<const ScriptOpLayout> ScriptOpLayouts() { return kOps; }

const ScriptOpLayout* ScriptFindOp(uint8_t code) {
  for (const ScriptOpLayout& op : kOps) {
    if (op.code == code) return &op;
  }
  return nullptr;
}

const ScriptOpLayout* ScriptFindOp(std::string_view name) {
  for (const ScriptOpLayout& op : kOps) {
    if (op.name == name) return &op;
  }
  return nullptr;
}

const ScriptSubOpLayout* ScriptFindSubOp(const ScriptOpLayout& op, uint8_t code) {
  for (const ScriptSubOpLayout& sub : op.subOps) {
    if (sub.code == code) return &sub;
  }
  return nullptr;
}

const ScriptSubOpLayout* ScriptFindSubOp(const ScriptOpLayout& op, std::string_view name) {
  for (const ScriptSubOpLayout& sub : op.subOps) {
    if (sub.name == name) return &sub;
  }
  return nullptr;
}

std::string_view ScriptRefKindName(char letter) {
  for (const ScriptOpLayout& op : kOps) {
    if (op.kind != 0 && op.kind == letter) return op.name;
  }
  return {};
}

size_t ScriptOperandBytes(std::string_view operands) {
  size_t bytes = 0;
  for (char letter : operands) {
    switch (letter) {
      case 'w':
      case 'h': bytes += 2; break;
      case 'x': bytes += 3; break;
      case 'c': bytes += 4; break;
      case 'X': bytes += 27; break;
      default: bytes += 1; break;  // u8, flag, empty string or blob, reference
    }
  }
  return bytes;
}
