// The music notation (content/music/README.md) compiled to a Standard MIDI
// File, format 1, with General MIDI programs.
#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <sstream>

#include "gen.h"

namespace nurumo::gen {

namespace {

constexpr int kDivision = 480;  // ticks per quarter note

struct Program {
  std::string_view name;
  int number;
};
constexpr std::array<Program, 34> kPrograms = {{
    {"piano", 0},          {"bright_piano", 1},  {"electric_piano", 4}, {"harpsichord", 6},
    {"celesta", 8},        {"glockenspiel", 9},  {"music_box", 10},     {"vibraphone", 11},
    {"marimba", 12},       {"tubular_bells", 14}, {"reed_organ", 20},   {"nylon_guitar", 24},
    {"acoustic_bass", 32}, {"fretless_bass", 35}, {"violin", 40},       {"viola", 41},
    {"cello", 42},         {"contrabass", 43},   {"tremolo_strings", 44}, {"harp", 46},
    {"strings", 48},       {"slow_strings", 49}, {"choir", 52},         {"voice_oohs", 53},
    {"flute", 73},         {"recorder", 74},     {"pan_flute", 75},     {"bottle", 76},
    {"ocarina", 79},       {"new_age_pad", 88},  {"warm_pad", 89},      {"choir_pad", 91},
    {"bowed_pad", 92},     {"halo_pad", 94},
}};

struct Event {
  long tick;
  int order;  // at one tick: controls first, then note-offs, then note-ons
  std::string bytes;
};

struct Track {
  std::string name;
  int program = 0, channel = 0, volume = 100, pan = 64, reverb = 64;
  std::vector<std::string> words;  // the notes, in order
  int line = 0;
};

class Fault {
 public:
  Fault(std::string name) : name_(std::move(name)) {}
  [[noreturn]] void operator()(int line, const std::string& what) const {
    throw ContentError(name_ + ":" + std::to_string(line) + ": " + what);
  }

 private:
  std::string name_;
};

int ParseInt(const std::string& word, int line, const Fault& fault) {
  if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos)
    fault(line, "expected a number, found \"" + word + "\"");
  return std::stoi(word);
}

int ProgramNumber(const std::string& word, int line, const Fault& fault) {
  for (const Program& p : kPrograms)
    if (p.name == word) return p.number;
  int n = ParseInt(word, line, fault);
  if (n > 127) fault(line, "a program is 0..127");
  return n;
}

// "c4", "f#3", "bb2": MIDI key number (c4 = 60).
int KeyNumber(std::string_view pitch, int line, const Fault& fault) {
  constexpr std::array<int, 7> kSteps = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
  if (pitch.size() < 2 || pitch[0] < 'a' || pitch[0] > 'g') fault(line, "bad pitch \"" + std::string(pitch) + "\"");
  int key = kSteps[static_cast<std::size_t>(pitch[0] - 'a')];
  std::size_t i = 1;
  for (; i < pitch.size() && (pitch[i] == '#' || pitch[i] == 'b'); ++i) key += pitch[i] == '#' ? 1 : -1;
  std::string octave(pitch.substr(i));
  if (octave.size() != 1 || !std::isdigit(static_cast<unsigned char>(octave[0])))
    fault(line, "bad octave in \"" + std::string(pitch) + "\"");
  key += (octave[0] - '0' + 1) * 12;
  if (key < 0 || key > 127) fault(line, "pitch out of range: \"" + std::string(pitch) + "\"");
  return key;
}

// "4" quarter, "8." dotted eighth, "1*3" three whole notes.
long Length(std::string_view text, int line, const Fault& fault) {
  long multiple = 1;
  if (std::size_t star = text.find('*'); star != std::string_view::npos) {
    multiple = ParseInt(std::string(text.substr(star + 1)), line, fault);
    text = text.substr(0, star);
  }
  bool dotted = !text.empty() && text.back() == '.';
  if (dotted) text.remove_suffix(1);
  int n = ParseInt(std::string(text), line, fault);
  if (n != 1 && n != 2 && n != 4 && n != 8 && n != 16 && n != 32) fault(line, "a length is 1, 2, 4, 8, 16 or 32");
  long ticks = 4L * kDivision / n;
  return multiple * (dotted ? ticks * 3 / 2 : ticks);
}

// Expand "( ... )N" repeats.
std::vector<std::string> Unroll(const std::vector<std::string>& words, int line, const Fault& fault) {
  std::vector<std::vector<std::string>> stack(1);
  for (const std::string& w : words) {
    if (w == "(") {
      stack.emplace_back();
    } else if (w[0] == ')') {
      if (stack.size() < 2) fault(line, "\")\" without \"(\"");
      int times = w.size() > 1 ? ParseInt(w.substr(1), line, fault) : 1;  // a bare group plays once
      std::vector<std::string> body = std::move(stack.back());
      stack.pop_back();
      for (int i = 0; i < times; ++i) stack.back().insert(stack.back().end(), body.begin(), body.end());
    } else {
      stack.back().push_back(w);
    }
  }
  if (stack.size() != 1) fault(line, "\"(\" without \")\"");
  return stack[0];
}

std::string VarLen(long value) {
  std::string out(1, static_cast<char>(value & 0x7F));
  while ((value >>= 7) > 0) out.insert(out.begin(), static_cast<char>(0x80 | (value & 0x7F)));
  return out;
}

std::string Chunk(const std::vector<Event>& events, long end) {
  std::string body;
  long now = 0;
  for (const Event& e : events) {
    body += VarLen(e.tick - now) + e.bytes;
    now = e.tick;
  }
  body += VarLen(end - now) + std::string("\xFF\x2F\x00", 3);
  std::string out = "MTrk";
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((body.size() >> shift) & 0xFF));
  return out + body;
}

std::string Meta(int type, const std::string& data) {
  return std::string(1, '\xFF') + static_cast<char>(type) + VarLen(static_cast<long>(data.size())) + data;
}

std::string Message(int status, int a, int b) {
  return {static_cast<char>(status), static_cast<char>(a), static_cast<char>(b)};
}

// The notes of one track as events; returns its length in ticks.
long TrackEvents(const Track& track, const Fault& fault, std::vector<Event>& events) {
  const int ch = track.channel;
  events.push_back({0, 0, Meta(0x03, track.name)});
  events.push_back({0, 0, std::string{static_cast<char>(0xC0 | ch), static_cast<char>(track.program)}});
  events.push_back({0, 0, Message(0xB0 | ch, 7, track.volume)});
  events.push_back({0, 0, Message(0xB0 | ch, 10, track.pan)});
  events.push_back({0, 0, Message(0xB0 | ch, 91, track.reverb)});
  long now = 0, length = kDivision;
  int velocity = 64;
  for (const std::string& w : Unroll(track.words, track.line, fault)) {
    if (w == "|") continue;
    if (w[0] == 'v' && w.size() > 1 && std::isdigit(static_cast<unsigned char>(w[1]))) {
      velocity = std::clamp(ParseInt(w.substr(1), track.line, fault), 1, 127);
      continue;
    }
    std::string pitches = w;
    if (std::size_t colon = w.find(':'); colon != std::string::npos) {
      length = Length(std::string_view(w).substr(colon + 1), track.line, fault);
      pitches = w.substr(0, colon);
    }
    if (pitches != "r") {
      std::stringstream keys(pitches);
      for (std::string pitch; std::getline(keys, pitch, '+');) {
        int key = KeyNumber(pitch, track.line, fault);
        events.push_back({now, 2, Message(0x90 | ch, key, velocity)});
        events.push_back({now + length, 1, Message(0x80 | ch, key, 0)});
      }
    }
    now += length;
  }
  return now;
}

}  // namespace

MidiPiece CompileMusic(std::string_view source, const std::string& name) {
  Fault fault(name);
  int tempo = 0, number = 0;
  std::vector<Track> tracks;
  std::istringstream lines{std::string(source)};
  for (std::string text; std::getline(lines, text);) {
    ++number;
    for (std::size_t hash = text.find('#'); hash != std::string::npos; hash = text.find('#', hash + 1))
      if (hash == 0 || text[hash - 1] == ' ' || text[hash - 1] == '\t') {  // "f#3" is a sharp, not a comment
        text.erase(hash);
        break;
      }
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    if (words.empty()) continue;
    if (words[0] == "tempo" && words.size() == 2) {
      tempo = ParseInt(words[1], number, fault);
    } else if (words[0] == "track") {
      if (words.size() < 2 || words.size() % 2 != 0) fault(number, "track NAME [key value]...");
      Track t;
      t.name = words[1];
      t.line = number;
      t.channel = static_cast<int>(tracks.size()) < 9 ? static_cast<int>(tracks.size()) : static_cast<int>(tracks.size()) + 1;
      for (std::size_t i = 2; i + 1 < words.size(); i += 2) {
        const std::string& key = words[i];
        const std::string& value = words[i + 1];
        if (key == "program") t.program = ProgramNumber(value, number, fault);
        else if (key == "channel") t.channel = ParseInt(value, number, fault);
        else if (key == "volume") t.volume = ParseInt(value, number, fault);
        else if (key == "pan") t.pan = ParseInt(value, number, fault);
        else if (key == "reverb") t.reverb = ParseInt(value, number, fault);
        else fault(number, "unknown track setting \"" + key + "\"");
      }
      if (t.channel > 15 || t.volume > 127 || t.pan > 127 || t.reverb > 127) fault(number, "a setting out of range");
      tracks.push_back(t);
    } else {
      if (tracks.empty()) fault(number, "notes before the first track");
      tracks.back().words.insert(tracks.back().words.end(), words.begin(), words.end());
    }
  }
  if (tempo < 20 || tempo > 240) fault(number, "the piece needs \"tempo N\" (20..240 quarter notes a minute)");
  if (tracks.empty()) fault(number, "the piece has no track");

  std::vector<std::string> chunks;
  long loop = -1;
  for (const Track& t : tracks) {
    std::vector<Event> events;
    long length = TrackEvents(t, fault, events);
    if (loop >= 0 && length != loop)
      fault(t.line, "track \"" + t.name + "\" lasts " + std::to_string(length) + " ticks, the first one " +
                        std::to_string(loop) + ": every track must end where the loop does");
    loop = length;
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.tick != b.tick ? a.tick < b.tick : a.order < b.order; });
    chunks.push_back(Chunk(events, length));
  }
  const long micros = 60000000L / tempo;
  std::vector<Event> head = {
      {0, 0, Meta(0x03, name)},
      {0, 0, Meta(0x51, {static_cast<char>(micros >> 16), static_cast<char>((micros >> 8) & 0xFF), static_cast<char>(micros & 0xFF)})},
      {0, 0, Meta(0x58, std::string("\x04\x02\x18\x08", 4))},
  };
  MidiPiece piece;
  piece.seconds = static_cast<double>(loop) / kDivision * 60.0 / tempo;
  if (piece.seconds < 30 || piece.seconds > 240)
    fault(number, "one pass lasts " + std::to_string(piece.seconds) + " s; a loop should last 30 s to 4 min");
  const std::size_t count = chunks.size() + 1;
  piece.file = std::string("MThd\0\0\0\x06\0\x01", 10);
  piece.file += {static_cast<char>(count >> 8), static_cast<char>(count & 0xFF), static_cast<char>(kDivision >> 8),
                 static_cast<char>(kDivision & 0xFF)};
  piece.file += Chunk(head, loop);
  for (const std::string& c : chunks) piece.file += c;
  return piece;
}

}  // namespace nurumo::gen
