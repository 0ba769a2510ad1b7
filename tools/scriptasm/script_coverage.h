#pragma once
// Coverage of an assembled scene script: per category, which of the things the format defines
// the script uses. Categories: the opcodes; the sub-ops of every builder (those that read
// their operands and change nothing are left out); the interpolations of tracks with keys;
// the transform-program operations; the shader modes the script's models and scenes select
// (mode 0, the reset state, is selected by nothing a script writes); the fade kinds of the
// timeline (a cut, a colour fade, and the closing fade: a zero-length colour-fade clip last).
//
// Shader modes follow the draw: a special model draws with refraction (13); otherwise an
// unlit model unlit (1, variant 6), a lit one in the ambient pass (5, variant 10) and, in a
// scene with a light, per light by its materials' maps: specular (2, variant 7), normal map
// only (3, variant 9), plain (4, variant 8; also faces without a material). A scene with fog
// adds the fog pass (14) for its non-special models, a glow intensity above 0 the glow taps
// (11) when a model sits on layer 1, a background or an overlay the screen quads (12). Only
// scenes that a clip plays count, with the sub-scenes they render.

#include <vector>

#include "tools/coverage_report.h"
#include "tools/scriptasm/script_walk.h"

// The categories in report order (print them with CoverageReport); empty when the stream is
// malformed.
std::vector<CoverageCategory> ScriptCoverage(ScriptBytes bytes);
