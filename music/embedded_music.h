#pragma once
// The song block and the patch table compiled into the program from data/music/ (see
// music/song.h and music/music_player.h for their formats).

#include <cstdint>

extern const uint8_t kEmbeddedSong[];
extern const uint32_t kEmbeddedSongSize;
// 249 parameters x 15 instruments, parameter-major: byte p x 15 + c; value byte x 0.01.
extern const uint8_t kEmbeddedPatchTable[];
extern const uint32_t kEmbeddedPatchTableSize;
