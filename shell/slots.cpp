#include "shell/slots.h"

#include <zlib.h>

#include <algorithm>
#include <system_error>

#include "core/serializer.h"
#include "core/text.h"
#include "game/flow.h"
#include "game/game.h"
#include "gfx/page.h"
#include "gfx/screens.h"
#include "platform/files.h"
#include "shell/snapshot.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

constexpr char kMagic[8] = {'N', 'U', 'R', 'U', 'M', 'O', 'S', 'L'};
// The bundled game's state is under 2 MB (five pictures of the screen's size
// and the script); a game with a larger ending picture needs a little more.
// A slot claiming more is refused before anything is inflated, so a slot can
// make the game hold at most the file, the packed copy and the state.
constexpr uint32_t kMaxStateBytes = 8u << 20;
constexpr std::size_t kMaxFileBytes = kMaxStateBytes + (1u << 20);  // the packed state never grows by more
constexpr uint32_t kMaxText = 4096;

uint32_t Crc(uint32_t crc, std::string_view bytes) {
  // zlib takes the length as uInt; slot files stay far below that.
  return static_cast<uint32_t>(crc32(crc, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

constexpr uint32_t kThumbBytes = kThumbWidth * kThumbHeight * 3;

void SyncSummary(Serializer& s, SlotSummary& summary) {
  s.Sync(summary.saved_at);
  s.Sync(summary.level);
  s.Sync(summary.node);
  SyncInts(s, summary.params);
  s.Sync(summary.caption_cp932, kMaxText);
  s.Sync(summary.where_cp932, kMaxText);
  s.Sync(summary.play_ms, 2);
  s.Sync(summary.thumbnail, kThumbBytes, 2);
  if (!summary.thumbnail.empty() && summary.thumbnail.size() != kThumbBytes)
    throw SerializeError("a thumbnail of the wrong size");
}

void SyncHistory(Serializer& s, std::deque<std::string>& history) {
  if (s.version() < 2) return;
  auto count = static_cast<uint32_t>(history.size());
  s.Sync(count);
  if (count > kSlotHistoryLines) throw SerializeError("more history than a slot keeps");
  if (s.loading()) history.assign(count, {});
  for (std::string& line : history) s.Sync(line, kMaxText);
}

// A quarter of the picture each way, every pixel the mean of its 4 x 4.
std::string Thumbnail(const Surface& frame) {
  if (frame.width < kThumbWidth * 4 || frame.height < kThumbHeight * 4) return {};
  std::string out(kThumbBytes, '\0');
  for (int y = 0; y < kThumbHeight; ++y)
    for (int x = 0; x < kThumbWidth; ++x)
      for (int c = 0; c < 3; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 4; ++dy)
          for (int dx = 0; dx < 4; ++dx) sum += frame.Row(y * 4 + dy)[(x * 4 + dx) * 3 + c];
        out[static_cast<std::size_t>((y * kThumbWidth + x) * 3 + c)] = static_cast<char>(sum / 16);
      }
  return out;
}

}  // namespace

std::string PackState(std::string_view raw) {
  uLongf size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(size, '\0');
  // Level 1: a quick save must be quick, and the pictures pack well anyway.
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &size, reinterpret_cast<const Bytef*>(raw.data()),
                static_cast<uLong>(raw.size()), 1) != Z_OK)
    throw SerializeError("cannot compress the state");
  packed.resize(size);
  packed.shrink_to_fit();  // the rollback keeps a hundred of these: not at the size of the bound
  return packed;
}

bool UnpackState(std::string_view packed, uint32_t size, std::string& raw) {
  raw.assign(size, '\0');
  uLongf got = size;
  int result = uncompress(reinterpret_cast<Bytef*>(raw.data()), &got, reinterpret_cast<const Bytef*>(packed.data()),
                          static_cast<uLong>(packed.size()));
  return result == Z_OK && got == size;
}

namespace {

// The CRC-32 of a file's name and size, then of its bytes: all of them
// (`whole`), or only the first and the last kIdentityPiece, read a piece at a
// time. A file that cannot be read counts as empty.
constexpr std::size_t kIdentityPiece = std::size_t{64} << 10;

uint32_t CrcOfFile(uint32_t crc, const fs::path& dat, const fs::path& file, bool whole) {
  std::error_code ec;
  std::string error, chunk;
  RegularFile in(file, error);
  Serializer header = Serializer::Writer(1);
  std::string name = fs::relative(file, dat, ec).generic_string();
  header.Sync(name, kMaxText * 16);
  uint64_t size = in.ok() ? in.size() : 0;
  header.Sync(size);
  crc = Crc(crc, header.bytes());
  if (!in.ok()) return crc;
  if (!whole) {
    if (in.Read(kIdentityPiece, chunk, error)) crc = Crc(crc, chunk);
    chunk.clear();
    if (size > kIdentityPiece && in.Seek(std::max<uint64_t>(kIdentityPiece, size - kIdentityPiece)) &&
        in.Read(kIdentityPiece, chunk, error))
      crc = Crc(crc, chunk);
    return crc;
  }
  while (in.Read(std::size_t{1} << 16, chunk, error) && !chunk.empty()) {
    crc = Crc(crc, chunk);
    chunk.clear();
  }
  return crc;
}

// The regular files under the game folder's dat/, in name order.
std::vector<fs::path> DatFiles(const fs::path& dat) {
  std::vector<fs::path> files;
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(dat, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    if (it->is_regular_file(ec)) files.push_back(it->path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

const std::vector<std::string>& SlotNames() {
  static const std::vector<std::string> names = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "quick", "auto"};
  return names;
}

bool IsSlotName(std::string_view name) {
  const auto& names = SlotNames();
  return std::find(names.begin(), names.end(), name) != names.end();
}

std::string SlotProblemText(SlotProblem problem) {
  switch (problem) {
    case SlotProblem::None: return "ok";
    case SlotProblem::Missing: return "there is no such slot file";
    case SlotProblem::Folder: return "a folder stands in place of the slot file";
    case SlotProblem::Unreadable: return "the slot file cannot be read";
    case SlotProblem::NotASlot: return "the file is not a slot file";
    case SlotProblem::Damaged: return "the slot file is damaged";
    case SlotProblem::Newer: return "the slot was written by a newer version of the game";
    case SlotProblem::OtherGame: return "the slot belongs to another game folder";
    case SlotProblem::TooLarge: return "the slot file is too large";
  }
  return "unknown problem";
}

std::string SlotProblemTextJa(SlotProblem problem) {
  switch (problem) {
    case SlotProblem::None: return "";
    case SlotProblem::Missing: return "セーブデータがありません";
    case SlotProblem::Folder:
    case SlotProblem::Unreadable: return "セーブデータを読めません";
    case SlotProblem::NotASlot:
    case SlotProblem::Damaged:
    case SlotProblem::TooLarge: return "セーブデータが壊れています";
    case SlotProblem::Newer: return "新しい版のセーブデータです";
    case SlotProblem::OtherGame: return "別のゲームのセーブデータです";
  }
  return "";
}

uint32_t ContentIdentity(const fs::path& game_dir) {
  const fs::path dat = game_dir / "dat";
  uint32_t crc = Crc(0, {});
  for (const fs::path& file : DatFiles(dat)) crc = CrcOfFile(crc, dat, file, false);
  return crc;
}

std::optional<uint32_t> WholeContentIdentity(const fs::path& game_dir) {
  const fs::path dat = game_dir / "dat";
  const std::vector<fs::path> files = DatFiles(dat);
  uint64_t total = 0;
  std::error_code ec;
  for (const fs::path& file : files) {
    const uintmax_t size = fs::file_size(file, ec);
    if (!ec) total += size;
  }
  if (total > kWholeIdentityLimit) return std::nullopt;
  uint32_t crc = Crc(0, {});
  for (const fs::path& file : files) crc = CrcOfFile(crc, dat, file, true);
  return crc;
}

std::string EncodeSlotFile(const SlotSummary& summary, std::string_view state, uint32_t version,
                           uint32_t identity, const std::deque<std::string>& history) {
  if (state.size() > kMaxStateBytes) throw SerializeError("the state is too large");
  Serializer s = Serializer::Writer(version);
  char magic[8];
  std::copy(std::begin(kMagic), std::end(kMagic), magic);
  s.SyncBytes(magic, sizeof magic);
  s.Sync(version);
  s.Sync(identity);
  SlotSummary copy = summary;
  SyncSummary(s, copy);
  auto raw_size = static_cast<uint32_t>(state.size());
  std::string packed = PackState(state);
  s.Sync(raw_size);
  s.Sync(packed, static_cast<uint32_t>(kMaxFileBytes));
  std::deque<std::string> lines = history;
  while (lines.size() > kSlotHistoryLines) lines.pop_front();
  SyncHistory(s, lines);
  std::string bytes = s.bytes();
  uint32_t crc = Crc(Crc(0, {}), bytes);
  Serializer tail = Serializer::Writer(1);
  tail.Sync(crc);
  return bytes + tail.bytes();
}

SlotFile DecodeSlotFile(std::string_view bytes, uint32_t identity) {
  SlotFile file;
  if (bytes.size() < sizeof kMagic || !std::equal(std::begin(kMagic), std::end(kMagic), bytes.begin())) {
    file.problem = SlotProblem::NotASlot;
    return file;
  }
  if (bytes.size() < sizeof kMagic + 4 + 4) {
    file.problem = SlotProblem::Damaged;
    return file;
  }
  const std::string_view body = bytes.substr(0, bytes.size() - 4);
  Serializer tail = Serializer::Reader(bytes.substr(bytes.size() - 4), 1);
  uint32_t stored_crc = 0;
  tail.Sync(stored_crc);
  if (stored_crc != Crc(Crc(0, {}), body)) {
    file.problem = SlotProblem::Damaged;
    return file;
  }
  try {
    Serializer head = Serializer::Reader(body.substr(sizeof kMagic), 1);
    uint32_t stored_identity = 0;
    head.Sync(file.version);
    head.Sync(stored_identity);
    if (file.version > kSnapshotVersion) {
      file.problem = SlotProblem::Newer;
      return file;
    }
    if (stored_identity != identity) {
      file.problem = SlotProblem::OtherGame;
      return file;
    }
    // The rest is read as the version that wrote it.
    Serializer s = Serializer::Reader(body.substr(sizeof kMagic + 8), file.version);
    SyncSummary(s, file.summary);
    uint32_t raw_size = 0;
    std::string packed;
    s.Sync(raw_size);
    if (raw_size > kMaxStateBytes) {  // refused before the packed copy is taken or inflated
      file.problem = SlotProblem::TooLarge;
      return file;
    }
    s.Sync(packed, static_cast<uint32_t>(kMaxFileBytes));
    SyncHistory(s, file.history);
    if (!s.at_end() || !UnpackState(packed, raw_size, file.state)) file.problem = SlotProblem::Damaged;
  } catch (const SerializeError&) {
    file.problem = SlotProblem::Damaged;
  }
  if (file.problem != SlotProblem::None) {
    file.state.clear();
    file.history.clear();
  }
  return file;
}

SlotStore::SlotStore(const FileSystem& files) : files_(files) {}

fs::path SlotStore::PathOf(std::string_view slot) const {
  return files_.data_dir() / "slots" / (std::string(slot) + ".slot");
}

uint32_t SlotStore::identity() {
  if (!identity_) identity_ = ContentIdentity(files_.game_dir());
  return *identity_;
}

std::optional<uint32_t> SlotStore::whole_identity() {
  if (!whole_identity_) whole_identity_ = WholeContentIdentity(files_.game_dir());
  return *whole_identity_;
}

SlotFile SlotStore::Read(std::string_view slot) {
  SlotFile file;
  const fs::path path = PathOf(slot);
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (!fs::exists(status)) {
    file.problem = SlotProblem::Missing;
  } else if (fs::is_directory(status)) {
    file.problem = SlotProblem::Folder;
  } else {
    std::string bytes, error;
    RegularFile in(path, error);
    if (!in.ok()) {
      file.problem = SlotProblem::Unreadable;
    } else if (in.size() > kMaxFileBytes) {
      file.problem = SlotProblem::TooLarge;  // refused unread
    } else if (!in.Read(kMaxFileBytes + 1, bytes, error)) {
      file.problem = SlotProblem::Unreadable;
    } else if (bytes.size() > kMaxFileBytes) {
      file.problem = SlotProblem::TooLarge;  // it grew while it was read
    } else {
      file = DecodeSlotFile(bytes, identity());
      if (file.problem == SlotProblem::OtherGame) {  // perhaps saved before the identity was made cheap
        const std::optional<uint32_t> whole = whole_identity();
        if (whole) file = DecodeSlotFile(bytes, *whole);
      }
    }
  }
  return file;
}

bool SlotStore::Remove(std::string_view slot, std::string& error) {
  std::error_code ec;
  fs::remove(PathOf(slot), ec);
  if (ec) error = ec.message();
  return !ec;
}

bool SlotStore::Write(std::string_view slot, const SlotSummary& summary, std::string_view state,
                      std::string& error, const std::deque<std::string>& history) {
  std::error_code ec;
  fs::create_directories(files_.data_dir() / "slots", ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  std::string bytes;
  try {
    bytes = EncodeSlotFile(summary, state, kSnapshotVersion, identity(), history);
  } catch (const SerializeError& failure) {
    error = failure.what();
    return false;
  }
  return files_.WriteAtomic("slots\\" + std::string(slot) + ".slot", bytes, error);
}

SlotSummary SummarizeGame(const Game& game, int64_t saved_at) {
  SlotSummary summary;
  summary.saved_at = saved_at;
  summary.level = game.player.Level;
  summary.node = game.player.Node;
  for (int i = 1; i <= 5; ++i) summary.params[static_cast<std::size_t>(i - 1)] = game.player.Params[i];
  summary.caption_cp932 = game.caption;
  summary.thumbnail = Thumbnail(game.gfx.FrameSurface);
  const auto& slots = game.timers.TimerSlots;
  const SlotCallback screen = slots.size() > 1 ? slots[1].Callback : nullptr;
  if (screen == ExplorationScreen) {
    summary.where_cp932 = std::to_string(game.player.Node) + Sjis("．") + game.NodeTitle;
  } else if (screen == SaveScreen) {
    summary.where_cp932 = Sjis("セーブの確認");
  } else if (screen == EndingScreen) {
    summary.where_cp932 = Sjis("おまけ");
  } else if (screen == TitleStillTick || screen == TitleFadeTick) {
    summary.where_cp932 = Sjis("タイトル");
  } else if (game.page.PageLineIndex >= 0) {
    summary.where_cp932 = game.page.PageLines[0];
  }
  return summary;
}

}  // namespace nurumo
