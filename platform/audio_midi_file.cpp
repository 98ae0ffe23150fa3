#include "platform/audio_midi_file.h"

#include <algorithm>

namespace nurumo {

namespace {

// Reads a file's bytes front to back; any read past the end marks it bad.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool done() const { return at_ >= bytes_.size(); }
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
  std::string_view Take(uint32_t n) {
    if (n > bytes_.size() - std::min(at_, bytes_.size())) {
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

// One track's events; its length in ticks, nullopt when an event is broken
// or the End of Track is missing.
std::optional<uint64_t> TrackLength(std::string_view track) {
  Reader in(track);
  uint64_t ticks = 0;
  uint32_t running = 0;  // the last channel status, reused by running status
  while (in.ok() && !in.done()) {
    ticks += in.VariableLength();
    uint32_t status = in.Byte();
    if (status < 0x80) {
      if (running == 0) return std::nullopt;                // data with no status before it
      in.Take(running >= 0xC0 && running <= 0xDF ? 0 : 1);  // the byte read was the first data byte
      continue;
    }
    if (status < 0xF0) {
      running = status;
      in.Take(status >= 0xC0 && status <= 0xDF ? 1 : 2);
    } else if (status == 0xF0 || status == 0xF7) {
      in.Take(in.VariableLength());  // system exclusive
    } else if (status == 0xFF) {
      uint32_t type = in.Byte();
      in.Take(in.VariableLength());
      if (type == 0x2F && in.ok()) return ticks;  // End of Track
    } else {
      return std::nullopt;  // no other status belongs in a file
    }
  }
  return std::nullopt;
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
    std::string_view data = in.Take(size);
    if (in.ok() && id == "data") return data;
    if (size % 2 == 1) in.Byte();  // chunks are padded to even sizes
  }
  return bytes;
}

std::optional<uint64_t> MidiLength(std::string_view smf) {
  Reader in(smf);
  if (in.Take(4) != "MThd") return std::nullopt;
  uint32_t header_size = in.BigEndian(4);
  if (header_size < 6) return std::nullopt;
  Reader header(in.Take(header_size));
  uint32_t format = header.BigEndian(2);
  uint32_t tracks = header.BigEndian(2);
  uint32_t division = header.BigEndian(2);
  if (!in.ok() || format > 2 || tracks == 0 || division == 0) return std::nullopt;
  uint64_t longest = 0;
  for (uint32_t found = 0; found < tracks;) {
    std::string_view id = in.Take(4);
    std::string_view chunk = in.Take(in.BigEndian(4));
    if (!in.ok()) return std::nullopt;  // fewer tracks than the header says, or one cut short
    if (id != "MTrk") continue;         // chunks of other kinds are skipped
    std::optional<uint64_t> length = TrackLength(chunk);
    if (!length) return std::nullopt;
    longest = std::max(longest, *length);
    ++found;
  }
  return longest;
}

}  // namespace nurumo
