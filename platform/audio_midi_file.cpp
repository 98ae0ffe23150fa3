#include "platform/audio_midi_file.h"
#include "platform/files.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

namespace nurumo {

namespace {

constexpr std::string_view kNotMidi = "not a well-formed MIDI file";
constexpr std::size_t kMostTracks = 127;        // FluidSynth reads the track count as a signed byte
constexpr uint32_t kLongestDelta = 0x0FFFFFFF;  // what four bytes of seven bits hold
constexpr uint64_t kLongestTrack = INT32_MAX;   // FluidSynth counts a track's ticks in an int

// Reads a file's bytes front to back; any read past the end marks it bad.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool done() const { return at_ >= bytes_.size(); }
  std::size_t at() const { return at_; }
  std::size_t left() const { return bytes_.size() - std::min(at_, bytes_.size()); }
  uint32_t Byte() {
    if (done()) {
      ok_ = false;
      return 0;
    }
    return static_cast<unsigned char>(bytes_[at_++]);
  }
  uint32_t BigEndian(int n) {
    uint32_t value = 0;
    for (int i = 0; i < n; ++i) value = (value << 8) | Byte();
    return value;
  }
  uint32_t LittleEndian32() {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value |= Byte() << (8 * i);
    return value;
  }
  uint32_t VariableLength() {  // at most four bytes of seven bits
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i) {
      uint32_t b = Byte();
      value = (value << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return value;
    }
    ok_ = false;
    return 0;
  }
  std::string_view Take(std::size_t n) {
    if (n > left()) {
      ok_ = false;
      at_ = bytes_.size();
      return {};
    }
    std::string_view part = bytes_.substr(at_, n);
    at_ += n;
    return part;
  }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

void PutBigEndian(std::string& out, uint32_t value, int n) {
  for (int i = n - 1; i >= 0; --i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutVariableLength(std::string& out, uint32_t value) {
  int shift = 21;
  while (shift > 0 && (value >> shift) == 0) shift -= 7;
  for (; shift > 0; shift -= 7) out += static_cast<char>(0x80 | ((value >> shift) & 0x7F));
  out += static_cast<char>(value & 0x7F);
}

uint32_t DataBytes(uint32_t channel_status) {
  uint32_t kind = channel_status & 0xF0;
  return kind == 0xC0 || kind == 0xD0 ? 1 : 2;  // program change and channel pressure have one
}

// The data length FluidSynth insists on for some meta events (it refuses the
// whole file otherwise); -1 where any length goes.
int MetaDataBytes(uint32_t type) {
  switch (type) {
    case 0x2F: return 0;  // End of Track
    case 0x51: return 3;  // tempo
    case 0x54: return 5;  // SMPTE offset
    case 0x58: return 4;  // time signature
    case 0x59: return 2;  // key signature
    default: return -1;
  }
}

struct Track {
  std::string events;     // as the synthesizer gets them, End of Track last
  uint64_t ticks = 0;     // the time of the track's end
  bool any = false;       // it held a complete event
  bool repaired = false;  // `events` is not the start of the chunk's own bytes
};

// Writes events with their delta times, carrying the time of dropped events
// on to the next one written.
class TrackWriter {
 public:
  explicit TrackWriter(std::string& out) : out_(out) {}
  void Wait(uint32_t ticks) { pending_ += ticks; }
  void Event(std::string_view event) {  // from its status byte on
    Delta();
    out_ += event;
    last_status_ = static_cast<unsigned char>(event[0]);
  }
  // An event in running status. FluidSynth's running status is the last
  // status it read, meta and system exclusive included: where that differs,
  // the status is spelled out.
  void Running(uint32_t status, std::string_view data) {
    Delta();
    if (status != last_status_) out_ += static_cast<char>(status);
    out_ += data;
    last_status_ = status;
  }
  void EndOfTrack() { Event(std::string_view("\xFF\x2F\x00", 3)); }

 private:
  void Delta() {
    while (pending_ > kLongestDelta) {  // too long for one delta: an empty meta event FluidSynth passes over
      PutVariableLength(out_, kLongestDelta);
      out_.append("\xFF\x7F\x00", 3);
      last_status_ = 0xFF;
      pending_ -= kLongestDelta;
    }
    PutVariableLength(out_, static_cast<uint32_t>(pending_));
    pending_ = 0;
  }

  std::string& out_;
  uint64_t pending_ = 0;
  uint32_t last_status_ = 0;
};

// One track chunk's events up to its End of Track. Whatever cannot be read
// ends the track after the last complete event; events FluidSynth would
// refuse the whole file for are dropped, and so are tempo changes where
// `keep_tempo` is false.
Track ReadTrack(std::string_view chunk, bool keep_tempo) {
  Track track;
  TrackWriter out(track.events);
  Reader in(chunk);
  uint32_t running = 0;  // the last channel status, reused by running status
  bool ended = false;
  while (!ended && !in.done()) {
    const uint32_t delta = in.VariableLength();
    const std::size_t start = in.at();
    const uint32_t status = in.Byte();
    auto event = [&] { return chunk.substr(start, in.at() - start); };
    if (!in.ok()) break;
    if (status < 0x80) {
      if (running == 0) break;  // data with no status before it
      in.Take(DataBytes(running) - 1);
      if (!in.ok()) break;
      out.Wait(delta);
      out.Running(running, event());
    } else if (status < 0xF0) {
      running = status;
      in.Take(DataBytes(status));
      if (!in.ok()) break;
      out.Wait(delta);
      out.Event(event());
    } else if (status == 0xF0 || status == 0xF7) {
      in.Take(in.VariableLength());
      if (!in.ok()) break;
      out.Wait(delta);
      if (status == 0xF0) out.Event(event());  // an escaped packet (0xF7) FluidSynth cannot read
    } else if (status == 0xFF) {
      const uint32_t type = in.Byte();
      const uint32_t size = in.VariableLength();
      in.Take(size);
      if (!in.ok()) break;
      out.Wait(delta);
      const int wanted = MetaDataBytes(type);
      ended = type == 0x2F;
      if (ended) out.EndOfTrack();
      else if ((wanted < 0 || size == static_cast<uint32_t>(wanted)) && (keep_tempo || type != 0x51)) out.Event(event());
    } else {
      break;  // no other status belongs in a file
    }
    track.ticks += delta;
    track.any = true;
  }
  if (!ended) out.EndOfTrack();
  // Whatever was mended (an event dropped, a status spelled out, an end
  // added) shows as a difference from the chunk's own bytes; bytes after the
  // End of Track are no part of the track.
  track.repaired = !chunk.starts_with(track.events);
  return track;
}

struct Smf {
  std::string_view problem;
  uint32_t format = 0, division = 0;
  uint32_t tempo = 0;  // microseconds a quarter, set at the start where SMPTE time became quarters
  std::vector<Track> tracks;
  bool repaired = false;
  bool any = false;     // some track held a complete event
  uint64_t length = 0;  // the longest track's ticks
};

Smf ReadSmf(std::string_view bytes) {
  Smf smf;
  Reader in(bytes);
  if (bytes.size() > kLargestMidiFile) {
    smf.problem = "too large";
    return smf;
  }
  smf.problem = kNotMidi;
  if (in.Take(4) != "MThd") return smf;
  uint32_t header_size = in.BigEndian(4);
  Reader header(in.Take(header_size));
  smf.format = header.BigEndian(2);
  uint32_t tracks = header.BigEndian(2);
  smf.division = header.BigEndian(2);
  if (!in.ok() || !header.ok() || smf.format > 2 || tracks == 0 || smf.division == 0) return smf;
  smf.repaired = header_size != 6;  // FluidSynth reads no other size
  if (smf.division & 0x8000) {  // SMPTE time, frames a second and ticks a frame: FluidSynth cannot play it
    const uint32_t frames = 256 - (smf.division >> 8), ticks = smf.division & 0xFF;
    if (ticks == 0 || (frames != 24 && frames != 25 && frames != 29 && frames != 30)) return smf;
    // Played as quarters of a second each, tempo changes dropped as SMPTE
    // time ignores them; 29 stands for 30 frames slowed to 29.97 a second.
    smf.division = (frames == 29 ? 30 : frames) * ticks;
    smf.tempo = frames == 29 ? 1001001 : 1000000;
    smf.repaired = true;
  }
  smf.problem = {};
  const std::size_t wanted = std::min<std::size_t>(tracks, kMostTracks);
  while (smf.tracks.size() < wanted && in.left() >= 8) {  // fewer bytes than a chunk's head: left out
    std::string_view id = in.Take(4);
    uint32_t size = in.BigEndian(4);
    if (size > in.left()) {
      size = static_cast<uint32_t>(in.left());
      smf.repaired = true;
    }
    std::string_view chunk = in.Take(size);
    if (id != "MTrk") {
      smf.repaired = true;  // FluidSynth loses its way in a chunk of another kind before the last track
      continue;
    }
    smf.tracks.push_back(ReadTrack(chunk, smf.tempo == 0));
    const Track& track = smf.tracks.back();
    smf.repaired |= track.repaired;
    smf.any |= track.any;
    smf.length = std::max(smf.length, track.ticks);
  }
  smf.repaired |= smf.tracks.size() != tracks || !in.done();  // bytes after the last track are left out
  return smf;
}

}  // namespace

std::string_view UnwrapRmid(std::string_view bytes) {
  Reader in(bytes);
  if (in.Take(4) != "RIFF") return bytes;
  in.LittleEndian32();
  if (in.Take(4) != "RMID") return bytes;
  while (in.ok() && !in.done()) {
    std::string_view id = in.Take(4);
    uint32_t size = in.LittleEndian32();
    if (!in.ok()) break;
    if (id == "data") return in.Take(std::min<std::size_t>(size, in.left()));
    in.Take(size);
    if (size % 2 == 1) in.Byte();  // chunks are padded to even sizes
  }
  return bytes;
}

bool IsMidiName(const std::filesystem::path& file) {
  std::string extension = Utf8Of(file.extension());
  for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return extension == ".mid" || extension == ".midi" || extension == ".rmi";
}

RepairedMidi RepairMidi(std::string_view file_bytes) {
  RepairedMidi result;
  std::string_view bytes = UnwrapRmid(file_bytes);
  Smf smf = ReadSmf(bytes);
  result.problem = smf.problem;
  if (result.problem.empty() && !smf.any) result.problem = kNotMidi;
  if (result.problem.empty() && smf.length == 0) result.problem = "the piece lasts no time";
  if (result.problem.empty() && smf.length > kLongestTrack) result.problem = "the piece lasts too long";
  if (!result.problem.empty()) return result;
  result.length = smf.length;
  result.repaired = smf.repaired;
  if (!smf.repaired) {
    result.smf.assign(bytes);
    return result;
  }
  std::string& out = result.smf;
  out = "MThd";
  PutBigEndian(out, 6, 4);
  PutBigEndian(out, smf.format, 2);
  PutBigEndian(out, static_cast<uint32_t>(smf.tracks.size()), 2);
  PutBigEndian(out, smf.division, 2);
  for (const Track& track : smf.tracks) {
    std::string tempo;
    if (&track == &smf.tracks.front() && smf.tempo != 0) {
      tempo.assign("\x00\xFF\x51\x03", 4);
      PutBigEndian(tempo, smf.tempo, 3);
    }
    out += "MTrk";
    PutBigEndian(out, static_cast<uint32_t>(tempo.size() + track.events.size()), 4);
    out += tempo;
    out += track.events;
  }
  return result;
}

std::optional<uint64_t> MidiLength(std::string_view smf) {
  Smf read = ReadSmf(smf);
  if (!read.problem.empty() || read.repaired || !read.any) return std::nullopt;
  return read.length;
}

}  // namespace nurumo
