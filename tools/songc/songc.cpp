#include "tools/songc/songc.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

namespace {

constexpr int kMaxDelta = 32766;   // 32,767 would encode as the terminator FF FF
constexpr int kMaxTick = 1 << 30;  // starts and lengths; their sum stays inside an int

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
  if (n.tick > kMaxTick || n.length > kMaxTick) return "tick or length beyond 2^30";
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

// A comment starts at a '#' that begins a word, so that sharps (F#3) stay part of their note.
std::string WithoutComment(const std::string& line) {
  for (size_t i = 0; i < line.size(); ++i)
    if (line[i] == '#' && (i == 0 || std::isspace(static_cast<unsigned char>(line[i - 1]))))
      return line.substr(0, i);
  return line;
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

namespace {

struct Pattern {
  int length;
  std::vector<SongSourceNote> notes;  // ticks from the pattern's start
};

// Parser state across lines: the current track, the pattern being defined (if any) and the
// patterns defined so far.
struct SourceParser {
  SongSource* out = nullptr;
  int track = -1;
  std::string open;  // name of the pattern being defined, empty outside one
  std::map<std::string, Pattern> patterns;
};

// A note line: the note, or the reason it is malformed.
std::string ParseNote(const std::vector<std::string>& w, int line, SongSourceNote* n) {
  *n = {0, SongNoteFromName(w.size() > 1 ? w[1] : ""), 0, 0, line};
  if (w.size() != 4 || !ParseInt(w[0], &n->tick) || !ParseInt(w[2], &n->velocity) ||
      !ParseInt(w[3], &n->length))
    return "expected '<tick> <note> <velocity> <length>'";
  return CheckNote(*n);
}

std::string ParsePatternStart(const std::vector<std::string>& w, SourceParser* p) {
  int length = 0;
  if (w.size() != 3 || !ParseInt(w[2], &length) || length < 1)
    return "expected 'pattern <name> <length in ticks>'";
  if (p->patterns.count(w[1])) return "pattern '" + w[1] + "' defined twice";
  p->patterns[w[1]] = {length, {}};
  p->open = w[1];
  return "";
}

std::string ParseTrack(const std::vector<std::string>& w, SourceParser* p) {
  if (w.size() != 2 || !ParseInt(w[1], &p->track) || p->track < 0 || p->track > 15)
    return "expected 'track <0..15>'";
  return "";
}

// Placement options: x<count>, +<semitones> or -<semitones>, v<percent>, each at most once.
struct Placement {
  int tick = 0, count = 1, transpose = 0, percent = 100;
};

std::string ParsePlacement(const std::vector<std::string>& w, Placement* at) {
  if (w.size() < 3 || !ParseInt(w[2], &at->tick))
    return "expected 'play <pattern> <tick> [x<count>] [+|-<semitones>] [v<percent>]'";
  std::string seen;
  for (size_t i = 3; i < w.size(); ++i) {
    const std::string& o = w[i];
    const bool shift = o[0] == '+' || o[0] == '-';
    const char key = shift ? '+' : o[0];
    int* field = key == 'x' ? &at->count : key == 'v' ? &at->percent : &at->transpose;
    const bool known = key == 'x' || key == 'v' || shift;
    if (!known || seen.find(key) != std::string::npos || !ParseInt(o.substr(shift ? 0 : 1), field))
      return "bad placement option '" + o + "'";
    seen += key;
  }
  if (at->count < 1) return "repeat count below 1";
  if (at->percent < 1 || at->percent > 12700) return "velocity scale outside 1..12700 %";
  if (at->transpose < -119 || at->transpose > 119) return "transposition outside -119..119";
  return "";
}

// Places a pattern on the current track: every repeat, transposed and velocity-scaled; each
// placed note carries the play line, and passes the same checks as a written note.
std::string ParsePlay(const std::vector<std::string>& w, int line, SourceParser* p) {
  if (p->track < 0) return "'play' before the first 'track' line";
  const auto found = w.size() > 1 ? p->patterns.find(w[1]) : p->patterns.end();
  if (found == p->patterns.end()) return "unknown pattern '" + (w.size() > 1 ? w[1] : "") + "'";
  Placement at;
  std::string why = ParsePlacement(w, &at);
  const Pattern& pattern = found->second;
  if (why.empty() && int64_t{at.count} * pattern.length + at.tick > kMaxTick)
    why = "placement runs beyond tick 2^30";
  for (int r = 0; why.empty() && r < at.count; ++r) {
    for (const SongSourceNote& n : pattern.notes) {
      const SongSourceNote placed = {at.tick + r * pattern.length + n.tick, n.note + at.transpose,
                                     (n.velocity * at.percent + 50) / 100, n.length, line};
      why = CheckNote(placed);
      if (!why.empty()) break;
      p->out->tracks[p->track].push_back(placed);
    }
  }
  return why;
}

// A note line inside a pattern or on the current track.
std::string ParseNoteLine(const std::vector<std::string>& w, int line, SourceParser* p) {
  SongSourceNote n;
  const std::string why = ParseNote(w, line, &n);
  if (!why.empty()) return why;
  if (!p->open.empty()) {
    Pattern& pattern = p->patterns[p->open];
    if (n.tick >= pattern.length) return "note starts after the pattern's end";
    pattern.notes.push_back(n);
    return "";
  }
  if (p->track < 0) return "note before the first 'track' line";
  p->out->tracks[p->track].push_back(n);
  return "";
}

std::string ParseLine(const std::vector<std::string>& w, int line, SourceParser* p) {
  const bool inPattern = !p->open.empty();
  if (w[0] == "end") {
    if (w.size() != 1 || !inPattern) return "'end' without a pattern";
    p->open.clear();
    return "";
  }
  if (inPattern && (w[0] == "pattern" || w[0] == "track" || w[0] == "play"))
    return "'" + w[0] + "' inside pattern '" + p->open + "' (missing 'end')";
  if (w[0] == "pattern") return ParsePatternStart(w, p);
  if (w[0] == "track") return ParseTrack(w, p);
  if (w[0] == "play") return ParsePlay(w, line, p);
  return ParseNoteLine(w, line, p);
}

}  // namespace

bool SongSourceParse(const std::string& text, SongSource* out, std::string* error) {
  std::istringstream lines(text);
  SourceParser parser;
  parser.out = out;
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    std::istringstream words(WithoutComment(line));
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    const std::string why = w.empty() ? "" : ParseLine(w, number, &parser);
    if (!why.empty()) {
      *error = AtLine(number, why);
      return false;
    }
  }
  if (!parser.open.empty()) {
    *error = AtLine(number, "pattern '" + parser.open + "' has no 'end'");
    return false;
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
