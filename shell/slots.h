// Slot files: one snapshot a file in `slots/` beside save.dat, named for its
// slot ("1".."9", "quick", "auto"). save.dat stays the game's alone.
//
// Layout, little-endian:
//   8   magic "NURUMOSL"
//   4   version of the state's layout (kSnapshotVersion when written)
//   4   content identity: CRC-32 over the game folder's dat/ files
//   8   saved at: seconds since 1970 (wall clock, for the menu)
//   ... summary: level, node, five parameters (int32), caption and place
//       (length-prefixed CP932); from version 2 the play time (ms, 64-bit)
//       and a thumbnail (length-prefixed, kThumbWidth x kThumbHeight BGR, or
//       empty)
//   4   size of the state, 4 size of its zlib stream, then the stream
//   ... from version 2: the history, a count and its lines (CP932)
//   4   CRC-32 of every byte before it
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nurumo {

class FileSystem;
struct Game;

// "1".."9", "quick", "auto".
bool IsSlotName(std::string_view name);
const std::vector<std::string>& SlotNames();

// A small picture of the screen at the save: a quarter of each side.
inline constexpr int kThumbWidth = 104, kThumbHeight = 64;

// What the menu shows of a slot without loading it.
struct SlotSummary {
  int64_t saved_at = 0;  // seconds since 1970
  int64_t play_ms = 0;   // time played in this game up to the save, menu pauses left out
  std::string thumbnail;  // kThumbWidth x kThumbHeight BGR pixels, or empty (a version 1 slot)
  int32_t level = 0;
  int32_t node = 0;
  std::array<int32_t, 5> params{};
  std::string caption_cp932;  // the window caption at the save
  std::string where_cp932;    // the place's title, or the page being read
};

enum class SlotProblem { None, Missing, Folder, Unreadable, NotASlot, Damaged, Newer, OtherGame, TooLarge };

// Why a slot is refused, in words for a person: English for the command
// line, Japanese for the game's own screen.
std::string SlotProblemText(SlotProblem problem);
std::string SlotProblemTextJa(SlotProblem problem);

struct SlotFile {
  SlotProblem problem = SlotProblem::None;
  uint32_t version = 0;
  SlotSummary summary;
  std::string state;  // the inflated state, for DecodeSnapshot
  std::deque<std::string> history;  // the history's lines (CP932), oldest first
};

// The most history lines a slot keeps.
inline constexpr uint32_t kSlotHistoryLines = 500;

// The identity of a game folder: a CRC-32 over the names and sizes of the
// files under its dat/, in name order, and the first and last 64 KB of each.
// Cheap whatever the files hold (a sparse file of gigabytes costs two
// reads), and it still tells two game folders apart.
uint32_t ContentIdentity(const std::filesystem::path& game_dir);

// The identity slots were saved with before: every byte of every file. A
// slot that does not match ContentIdentity is tried against this one, so
// older slots still load; computed only for a dat/ of at most
// kWholeIdentityLimit bytes (nullopt otherwise: such slots count as foreign).
inline constexpr uint64_t kWholeIdentityLimit = uint64_t{64} << 20;
std::optional<uint32_t> WholeContentIdentity(const std::filesystem::path& game_dir);

// Build and parse the bytes of a slot file.
std::string EncodeSlotFile(const SlotSummary& summary, std::string_view state, uint32_t version,
                           uint32_t identity, const std::deque<std::string>& history = {});
SlotFile DecodeSlotFile(std::string_view bytes, uint32_t identity);

// The slot files of one game folder and its data folder.
class SlotStore {
 public:
  explicit SlotStore(const FileSystem& files);

  std::filesystem::path PathOf(std::string_view slot) const;
  // Reads and checks the slot whole; a refused one says why.
  SlotFile Read(std::string_view slot);
  // Writes atomically; false with a reason (UTF-8) on failure, the old file
  // then left as it was.
  bool Write(std::string_view slot, const SlotSummary& summary, std::string_view state, std::string& error,
             const std::deque<std::string>& history = {});
  // Removes the slot's file; false with a reason (UTF-8).
  bool Remove(std::string_view slot, std::string& error);

  uint32_t identity();  // computed once, when first needed
  std::optional<uint32_t> whole_identity();  // likewise, and only for a slot that needs it

 private:
  const FileSystem& files_;
  std::optional<uint32_t> identity_;
  std::optional<std::optional<uint32_t>> whole_identity_;
};

// A state compressed (quickly: a quick save must be quick), and back; false
// when the stream is broken or does not inflate to exactly `size` bytes.
std::string PackState(std::string_view raw);
bool UnpackState(std::string_view packed, uint32_t size, std::string& raw);

// The summary of a running game: what it shows now, the level and moods,
// and its thumbnail.
SlotSummary SummarizeGame(const Game& game, int64_t saved_at);

}  // namespace nurumo
