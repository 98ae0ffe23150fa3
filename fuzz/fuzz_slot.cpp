// A slot file as F9 meets it: read and checked, its state decoded and
// checked, swapped into a running game and played on for a few frames.
// The mutator keeps the file's identity and check sum good (half the time
// it changes the state inside and packs it again), so that the fuzzer gets
// past the check sum to the loader's own checks.
#include <zlib.h>

#include <cstring>
#include <optional>
#include <string>

#include "core/serializer.h"
#include "fuzz/harness.h"
#include "shell/slots.h"
#include "shell/snapshot.h"

using namespace nurumo;
namespace fs = std::filesystem;

namespace {

SlotStore& Store() {
  static FileSystem* files = new FileSystem(fuzz::ScratchGame::Get().path());
  static SlotStore* store = new SlotStore(*files);
  return *store;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const fuzz::ScratchGame& scratch = fuzz::ScratchGame::Get();
  std::error_code ec;
  fs::create_directories(scratch.path() / "slots", ec);
  scratch.Put("slots/quick.slot", data, size);
  fuzz::FuzzPlatform platform;
  Game game(platform, 1);
  if (FormCreate(game)) {
    SlotFile file = Store().Read("quick");
    if (file.problem == SlotProblem::None) {
      try {
        std::unique_ptr<Snapshot> snapshot = DecodeSnapshot(file.state, file.version);
        ApplySnapshot(game, *snapshot, platform.Now());
        fuzz::RunFrames(game, platform, " ( & X  ( ", 16);
      } catch (const SerializeError&) {
      }
    }
  }
  FormDestroy(game);
  return 0;
}

#ifdef NURUMO_LIBFUZZER
extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

// The pieces of a slot file, read without any check.
struct Pieces {
  uint32_t version = 0;
  SlotSummary summary;
  std::string state;
};

std::optional<Pieces> Open(const uint8_t* data, size_t size) {
  if (size < 12) return std::nullopt;
  try {
    Serializer s = Serializer::Reader(std::string_view(reinterpret_cast<const char*>(data) + 8, size - 12), 1);
    Pieces pieces;
    uint32_t identity = 0, raw_size = 0;
    std::string packed;
    s.Sync(pieces.version);
    s.Sync(identity);
    s.Sync(pieces.summary.saved_at);
    s.Sync(pieces.summary.level);
    s.Sync(pieces.summary.node);
    SyncInts(s, pieces.summary.params);
    s.Sync(pieces.summary.caption_cp932, 4096);
    s.Sync(pieces.summary.where_cp932, 4096);
    s.Sync(raw_size);
    s.Sync(packed, 8u << 20);
    if (raw_size > (8u << 20)) return std::nullopt;
    pieces.state.assign(raw_size, '\0');
    uLongf got = raw_size;
    if (uncompress(reinterpret_cast<Bytef*>(pieces.state.data()), &got,
                   reinterpret_cast<const Bytef*>(packed.data()), static_cast<uLong>(packed.size())) != Z_OK)
      return std::nullopt;
    pieces.state.resize(got);
    return pieces;
  } catch (const SerializeError&) {
    return std::nullopt;
  }
}

// The identity of the scratch game over bytes 12..15, and a good check sum.
void Seal(uint8_t* data, size_t size) {
  if (size < 20) return;
  const uint32_t identity = Store().identity();
  for (int i = 0; i < 4; ++i) data[12 + i] = static_cast<uint8_t>(identity >> (8 * i));
  const auto crc = static_cast<uint32_t>(crc32(crc32(0, nullptr, 0), data, static_cast<uInt>(size - 4)));
  for (int i = 0; i < 4; ++i) data[size - 4 + i] = static_cast<uint8_t>(crc >> (8 * i));
}

}  // namespace

extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  if (seed % 2 == 0) {
    if (std::optional<Pieces> pieces = Open(data, size)) {
      std::string state = pieces->state;
      state.resize(state.size() + 64);
      state.resize(LLVMFuzzerMutate(reinterpret_cast<uint8_t*>(state.data()), pieces->state.size(), state.size()));
      try {
        const std::string bytes = EncodeSlotFile(pieces->summary, state, pieces->version, Store().identity());
        if (bytes.size() <= max_size) {
          std::memcpy(data, bytes.data(), bytes.size());
          return bytes.size();
        }
      } catch (const SerializeError&) {
      }
    }
  }
  size = LLVMFuzzerMutate(data, size, max_size);
  Seal(data, size);
  return size;
}
#endif
