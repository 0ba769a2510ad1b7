#include "tools/songc/songc.h"

#include <algorithm>
#include <cctype>
#include <sstream>

namespace {

constexpr int kMaxDelta = 32766;  // 32,767 would encode as the terminator FF FF

struct Event {
  int tick;
  bool on;
  int note, velocity, order;
};

std::string AtLine(int line, const std::string& why) {
  return "line " + std::to_string(line) + ": " + why;
}

bool ParseInt(const std::string& word, int* value) {
  if (word.empty()) return false;
  size_t used = 0;
  try {
    *value = std::stoi(word, &used);
  } catch (...) {
    return false;
  }
  return used == word.size();
}

// Checks one note's fields; the reason or an empty string.
std::string CheckNote(const SongSourceNote& n) {
  if (n.tick < 0) return "negative tick";
  if (n.note < 0 || n.note >= 120) return "note outside 0..119";
  if (n.velocity < 1 || n.velocity > 127) return "velocity outside 1..127 (0 would be a note-off)";
  if (n.length < 1) return "length below 1 tick (the note-on would have no note-off)";
  return "";
}

// Note-ons and note-offs of a track in play order: by tick, note-offs first, then source order.
bool TrackEvents(const std::vector<SongSourceNote>& notes, std::vector<Event>* events,
                 std::string* error) {
  std::vector<SongSourceNote> sorted = notes;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.tick < b.tick; });
  int held[120];
  std::fill(std::begin(held), std::end(held), -1);  // tick at which each note ends
  for (size_t i = 0; i < sorted.size(); ++i) {
    const SongSourceNote& n = sorted[i];
    if (held[n.note] > n.tick) {
      *error = AtLine(n.line, "note starts again while it still sounds");
      return false;
    }
    held[n.note] = n.tick + n.length;
    events->push_back({n.tick, true, n.note, n.velocity, static_cast<int>(i)});
    events->push_back({n.tick + n.length, false, n.note, 0, static_cast<int>(i)});
  }
  std::stable_sort(events->begin(), events->end(), [](const Event& a, const Event& b) {
    if (a.tick != b.tick) return a.tick < b.tick;
    return !a.on && b.on;
  });
  return true;
}

void PutDelta(std::vector<uint8_t>* out, int delta) {
  if (delta <= 127) {
    out->push_back(static_cast<uint8_t>(delta << 1));
    return;
  }
  const int code = (delta << 1) | 1;
  out->push_back(static_cast<uint8_t>(code & 0xFF));
  out->push_back(static_cast<uint8_t>(code >> 8));
}

// Appends one track's four columns to the block.
bool EncodeTrack(const std::vector<Event>& events, std::vector<uint8_t>* block,
                 std::string* error) {
  std::vector<uint8_t> status, notes, velocities;
  int previous = 0;
  for (const Event& e : events) {
    if (e.tick - previous > kMaxDelta) {
      *error = "a gap of more than 32,766 ticks between two events of a track";
      return false;
    }
    PutDelta(block, e.tick - previous);
    previous = e.tick;
    status.push_back(e.on ? 0x90 : 0x80);
    // Velocity 127 (and every note-off) goes in the note byte's bit 7.
    const bool inNote = !e.on || e.velocity == 127;
    notes.push_back(static_cast<uint8_t>(e.note | (inNote ? 0x80 : 0)));
    if (!inNote) velocities.push_back(static_cast<uint8_t>(e.velocity));
  }
  block->push_back(0xFF);
  block->push_back(0xFF);
  for (const auto* column : {&status, &notes, &velocities})
    block->insert(block->end(), column->begin(), column->end());
  return true;
}

void PutU32(std::vector<uint8_t>* block, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*block)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int SongNoteFromName(const std::string& name) {
  int number = 0;
  if (ParseInt(name, &number)) return number;
  static const int kSteps[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (name.size() < 2) return -1;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  if (letter < 'A' || letter > 'G') return -1;
  int semitone = kSteps[letter - 'A'];
  size_t pos = 1;
  if (name[pos] == '#' || name[pos] == 'b') semitone += name[pos++] == '#' ? 1 : -1;
  int octave = 0;
  if (!ParseInt(name.substr(pos), &octave) || octave < 0 || octave > 9) return -1;
  return octave * 12 + semitone;
}

bool SongSourceParse(const std::string& text, SongSource* out, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0, track = -1;
  while (std::getline(lines, line)) {
    ++number;
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    if (w[0] == "track") {
      if (w.size() != 2 || !ParseInt(w[1], &track) || track < 0 || track > 15) {
        *error = AtLine(number, "expected 'track <0..15>'");
        return false;
      }
      continue;
    }
    SongSourceNote n = {0, SongNoteFromName(w.size() > 1 ? w[1] : ""), 0, 0, number};
    if (w.size() != 4 || !ParseInt(w[0], &n.tick) || !ParseInt(w[2], &n.velocity) ||
        !ParseInt(w[3], &n.length)) {
      *error = AtLine(number, "expected '<tick> <note> <velocity> <length>'");
      return false;
    }
    const std::string why = track < 0 ? "note before the first 'track' line" : CheckNote(n);
    if (!why.empty()) {
      *error = AtLine(number, why);
      return false;
    }
    out->tracks[track].push_back(n);
  }
  return true;
}

bool SongCompile(const SongSource& source, std::vector<uint8_t>* block, std::string* error) {
  block->assign(4 + 4 * 16, 0);
  uint32_t events = 0;
  for (int t = 0; t < 16; ++t) {
    PutU32(block, 4 + 4 * t, static_cast<uint32_t>(block->size()));
    std::vector<Event> list;
    if (!TrackEvents(source.tracks[t], &list, error) || !EncodeTrack(list, block, error)) {
      *error = "track " + std::to_string(t) + ": " + *error;
      return false;
    }
    events += static_cast<uint32_t>(list.size());
  }
  PutU32(block, 0, 5 * events);
  return true;
}
