#include "music/song.h"

#include "platform/crt.h"

namespace {

uint32_t ReadU32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads one delta code at `*pos`, not past `end`; false when the code runs past the end.
bool ReadDeltaCode(const uint8_t* data, size_t end, size_t* pos, uint16_t* code) {
  if (*pos >= end) return false;
  uint16_t value = data[(*pos)++];
  if (value & 1) {
    if (*pos >= end) return false;
    value = static_cast<uint16_t>(value + 256 * data[(*pos)++]);
  }
  *code = value;
  return true;
}

// Counts the events of the track starting at `start` and checks that all four of its columns
// lie within the block; returns the error text or null.
const char* MeasureTrack(const uint8_t* data, size_t size, size_t start, uint32_t* count) {
  size_t pos = start;
  uint32_t codes = 0;
  uint16_t code = 0;
  do {
    if (!ReadDeltaCode(data, size, &pos, &code)) return "a delta column has no terminator";
    ++codes;
  } while (code != kSongTerminator);
  *count = codes - 1;
  if (size - pos < 2ull * *count) return "a status or note column runs past the end";
  size_t velocities = 0;
  for (uint32_t i = 0; i < *count; ++i)
    if (!(data[pos + *count + i] & 0x80)) ++velocities;
  if (size - pos - 2ull * *count < velocities) return "a velocity column runs past the end";
  return nullptr;
}

// Fills the events of a track already measured.
void DecodeTrack(const uint8_t* data, size_t start, SongTrack* track) {
  const uint32_t count = track->count;
  size_t pos = start;
  for (uint32_t i = 0; i <= count; ++i) {
    uint16_t code = 0;
    ReadDeltaCode(data, SIZE_MAX, &pos, &code);
    const uint16_t delta = code == kSongTerminator ? kSongTerminator : code >> 1;
    track->events[i].remaining = track->events[i].delta = delta;
  }
  for (uint32_t i = 0; i < count; ++i) track->events[i].status = data[pos++];
  const size_t notes = pos;
  pos += count;
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t byte = data[notes + i];
    track->events[i].note = byte & 0x7F;
    track->events[i].velocity = (byte & 0x80) ? 127 : data[pos++];  // the whole byte
  }
}

Song* EmptySong() {
  Song* song = crt::AlignedNew<Song>();
  song->tracks = crt::AlignedNewArray<SongTrack>(kSongTracks);
  for (int t = 0; t < kSongTracks; ++t) {
    song->tracks[t].events = crt::AlignedNewArray<SongEvent>(1);
    song->tracks[t].events[0] = {kSongTerminator, kSongTerminator, 0, 0, 0};
  }
  return song;
}

const char* CheckBlock(const uint8_t* data, size_t size, uint32_t counts[kSongTracks]) {
  if (!data || size < kSongHeadBytes) return "the head is shorter than 68 bytes";
  for (int t = 0; t < kSongTracks; ++t) {
    const uint32_t offset = ReadU32(data + 4 + 4 * t);
    if (offset < kSongHeadBytes || offset >= size) return "a track offset lies outside the block";
    if (const char* error = MeasureTrack(data, size, offset, &counts[t])) return error;
  }
  return nullptr;
}

}  // namespace

Song* SongDecode(const uint8_t* data, size_t size, const char** error) {
  uint32_t counts[kSongTracks] = {};
  const char* fault = CheckBlock(data, size, counts);
  if (error) *error = fault;
  if (fault) return EmptySong();
  Song* song = crt::AlignedNew<Song>();
  song->endValue = ReadU32(data);
  song->tracks = crt::AlignedNewArray<SongTrack>(kSongTracks);
  for (int t = 0; t < kSongTracks; ++t) {
    SongTrack* track = &song->tracks[t];
    track->count = counts[t];
    track->events = crt::AlignedNewArray<SongEvent>(counts[t] + 1);
    DecodeTrack(data, ReadU32(data + 4 + 4 * t), track);
  }
  return song;
}

void SongFree(Song* song) {
  if (!song) return;
  for (int t = 0; t < kSongTracks; ++t)
    crt::AlignedDeleteArray(song->tracks[t].events, song->tracks[t].count + 1);
  crt::AlignedDeleteArray(song->tracks, kSongTracks);
  crt::AlignedDelete(song);
}
