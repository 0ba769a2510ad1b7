#pragma once
// The production's scene script, assembled at build time from data/production/ by scriptasm.
#include <cstdint>

extern const uint8_t kSceneScript[];
extern const uint32_t kSceneScriptSize;
