// A small binary serializer for snapshots: one Sync call serves both
// directions, so what is written and what is read can never drift apart.
// Little-endian, fixed widths. A field added later names the version it
// appeared in (`s.Sync(flag, 2)`): older streams leave it as it was.
#pragma once

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <type_traits>

namespace nurumo {

// The stream is cut short, or holds a value its field cannot take. The text
// is UTF-8 and says which.
class SerializeError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Serializer {
 public:
  static constexpr uint32_t kNoLimit = 0xFFFFFFFFu;

  // Writing: every Sync appends the value.
  static Serializer Writer(uint32_t version) { return Serializer(false, version, {}); }
  // Reading: every Sync takes the value from `bytes`, which must outlive this.
  static Serializer Reader(std::string_view bytes, uint32_t version) { return Serializer(true, version, bytes); }

  bool loading() const { return loading_; }
  uint32_t version() const { return version_; }
  const std::string& bytes() const { return out_; }
  // The bytes written, taken out of the writer.
  std::string TakeBytes() { return std::move(out_); }
  // Room for `size` bytes ahead of writing them.
  void Reserve(std::size_t size) { out_.reserve(size); }
  bool at_end() const { return pos_ == in_.size(); }
  std::size_t remaining() const { return in_.size() - pos_; }  // bytes left to read

  // Integers and bools of any width; an enum through its underlying type.
  template <typename T>
  void Sync(T& value, uint32_t min_version = 0) {
    if (version_ < min_version) return;
    if constexpr (std::is_enum_v<T>) {
      auto raw = static_cast<std::underlying_type_t<T>>(value);
      Sync(raw);
      value = static_cast<T>(raw);
    } else if constexpr (std::is_same_v<T, bool>) {
      uint8_t raw = value ? 1 : 0;
      Sync(raw);
      if (raw > 1) throw SerializeError("a flag that is neither 0 nor 1");
      value = raw == 1;
    } else {
      static_assert(std::is_integral_v<T>, "Sync takes integers, bools, enums and strings");
      using U = std::make_unsigned_t<T>;
      unsigned char raw[sizeof(T)];
      if (loading_) {
        Take(raw, sizeof raw);
        U u = 0;
        for (std::size_t i = 0; i < sizeof raw; ++i) u = static_cast<U>(u | (static_cast<U>(raw[i]) << (8 * i)));
        value = static_cast<T>(u);
      } else {
        const auto u = static_cast<U>(value);
        for (std::size_t i = 0; i < sizeof raw; ++i) raw[i] = static_cast<unsigned char>(u >> (8 * i));
        out_.append(reinterpret_cast<const char*>(raw), sizeof raw);
      }
    }
  }

  // A length (32-bit) and the bytes; a stored length above `max_length` is
  // refused before anything is allocated.
  void Sync(std::string& value, uint32_t max_length, uint32_t min_version = 0) {
    if (version_ < min_version) return;
    uint32_t length = static_cast<uint32_t>(value.size());
    if (!loading_ && value.size() > max_length) throw SerializeError("a text longer than its field allows");
    Sync(length);
    if (!loading_) {
      out_ += value;
      return;
    }
    if (length > max_length) throw SerializeError("a text longer than its field allows");
    if (length > in_.size() - pos_) throw SerializeError("the state is cut short");
    value.assign(in_.data() + pos_, length);
    pos_ += length;
  }

  // Exactly `size` raw bytes.
  void SyncBytes(void* data, std::size_t size) {
    if (loading_) {
      Take(data, size);
    } else {
      out_.append(static_cast<const char*>(data), size);
    }
  }

  // A count for a container: refused above `max` when reading.
  uint32_t SyncCount(std::size_t count, uint32_t max) {
    auto n = static_cast<uint32_t>(count);
    Sync(n);
    if (n > max) throw SerializeError("a count larger than its field allows");
    return n;
  }

 private:
  Serializer(bool loading, uint32_t version, std::string_view in) : loading_(loading), version_(version), in_(in) {}

  void Take(void* data, std::size_t size) {
    if (size > in_.size() - pos_) throw SerializeError("the state is cut short");
    std::memcpy(data, in_.data() + pos_, size);
    pos_ += size;
  }

  bool loading_;
  uint32_t version_;
  std::string_view in_;
  std::size_t pos_ = 0;
  std::string out_;
};

// Every item of an array of texts or of integers, in order.
template <typename Range>
void SyncStrings(Serializer& s, Range& items, uint32_t max_length) {
  for (std::string& item : items) s.Sync(item, max_length);
}
template <typename Range>
void SyncInts(Serializer& s, Range& items) {
  for (auto& item : items) s.Sync(item);
}

// A value read back must lie in lo..hi; a stream that says otherwise is refused.
template <typename T>
void SyncInRange(Serializer& s, T& value, int64_t lo, int64_t hi, const char* what) {
  s.Sync(value);
  if (s.loading() && (static_cast<int64_t>(value) < lo || static_cast<int64_t>(value) > hi))
    throw SerializeError(std::string(what) + " out of range");
}

}  // namespace nurumo
