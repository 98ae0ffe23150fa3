#include "game/player.h"

#include "core/serializer.h"


#include <filesystem>

#include "core/text.h"
#include "game/game.h"
#include "platform/files.h"

namespace nurumo {

namespace {

constexpr std::string_view kSaveFile = "save.dat";
constexpr std::string_view kCheckPrefix = "NURUMODATA";

// Four words per parameter, lowest band first.
constexpr std::array<std::string_view, 20> kMoodWordsUtf8 = {
    "苦痛", "不快", "快適", "悦楽",  // parameter 1
    "恐怖", "不安", "安心", "平穏",  // parameter 2
    "孤独", "不信", "信頼", "親愛",  // parameter 3
    "卑屈", "劣等", "優越", "誇り",  // parameter 4
    "覚醒", "確信", "悟り", "無我",  // parameter 5
};

constexpr std::array<int32_t, 5> kStartParams = {30, 25, 20, 15, 10};

// Record offsets of save.dat.
constexpr std::size_t kCheckAt = 0;
constexpr std::size_t kPadding1At = 17;
constexpr std::size_t kLevelAt = 20;
constexpr std::size_t kParamsAt = 24;
constexpr std::size_t kNodeAt = 44;
constexpr std::size_t kEffectAt = 48;
constexpr std::size_t kMusicAt = 65;
constexpr std::size_t kPadding2At = 82;

void PutInt(std::array<uint8_t, 84>& out, std::size_t at, int32_t v) {
  auto u = static_cast<uint32_t>(v);
  for (std::size_t i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt(const std::array<uint8_t, 84>& in, std::size_t at) {
  uint32_t u = 0;
  for (std::size_t i = 0; i < 4; ++i) u |= uint32_t{in[at + i]} << (8 * i);
  return static_cast<int32_t>(u);
}

void PutShort(std::array<uint8_t, 84>& out, std::size_t at, const ShortString16& s) {
  out[at] = s.length;
  for (std::size_t i = 0; i < 16; ++i) out[at + 1 + i] = static_cast<uint8_t>(s.chars[i]);
}

ShortString16 GetShort(const std::array<uint8_t, 84>& in, std::size_t at) {
  ShortString16 s;
  s.length = in[at];
  for (std::size_t i = 0; i < 16; ++i) s.chars[i] = static_cast<char>(in[at + 1 + i]);
  return s;
}

// The check string's letters: every base-3 digit of every value is added
// with weight i + 1 to accumulator i, so the code depends only on the digit
// total and ignores which field a digit sits in (on purpose: it is a cheap
// guard against casual edits, not a hash).
void FoldDigits(std::array<int32_t, 6>& acc, int32_t v) {
  while (v > 0) {
    int32_t d = v % 3;
    for (int32_t i = 0; i < 6; ++i) {
      auto& a = acc[static_cast<std::size_t>(i)];
      a = (a + d * (i + 1)) % 26;
    }
    v /= 3;
  }
}

// A save.dat that cannot be opened for writing counts as missing. The
// permission bits are looked at too, since root may write through them.
bool SaveFileWritable(const std::filesystem::path& path) {
  std::error_code ec;
  auto status = std::filesystem::status(path, ec);
  if (ec || !std::filesystem::is_regular_file(status)) return false;
  using std::filesystem::perms;
  if ((status.permissions() & (perms::owner_write | perms::group_write | perms::others_write)) ==
      perms::none)
    return false;
  return CanWriteFile(path);
}

// Something is at the save file's place, and it is no save.dat we may write.
bool SaveFileProtected(const std::filesystem::path& path) {
  std::error_code ec;
  return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found &&
         !SaveFileWritable(path);
}

}  // namespace

std::string ShortString16::str() const { return std::string(chars.data(), length > 16 ? 16 : length); }
void ShortString16::assign(std::string_view s) {
  length = static_cast<uint8_t>(s.size() > 16 ? 16 : s.size());
  for (std::size_t i = 0; i < length; ++i) chars[i] = s[i];
}

std::array<uint8_t, 84> EncodeSaveRecord(const SaveRecord& record) {
  std::array<uint8_t, 84> out{};
  PutShort(out, kCheckAt, record.CheckCode);
  for (std::size_t i = 0; i < 3; ++i) out[kPadding1At + i] = record.Padding1[i];
  PutInt(out, kLevelAt, record.Level);
  for (std::size_t i = 0; i < 5; ++i) PutInt(out, kParamsAt + 4 * i, record.Params[i]);
  PutInt(out, kNodeAt, record.Node);
  PutShort(out, kEffectAt, record.EffectName);
  PutShort(out, kMusicAt, record.MusicName);
  for (std::size_t i = 0; i < 2; ++i) out[kPadding2At + i] = record.Padding2[i];
  return out;
}

SaveRecord DecodeSaveRecord(const std::array<uint8_t, 84>& bytes) {
  SaveRecord record;
  record.CheckCode = GetShort(bytes, kCheckAt);
  for (std::size_t i = 0; i < 3; ++i) record.Padding1[i] = bytes[kPadding1At + i];
  record.Level = GetInt(bytes, kLevelAt);
  for (std::size_t i = 0; i < 5; ++i) record.Params[i] = GetInt(bytes, kParamsAt + 4 * i);
  record.Node = GetInt(bytes, kNodeAt);
  record.EffectName = GetShort(bytes, kEffectAt);
  record.MusicName = GetShort(bytes, kMusicAt);
  for (std::size_t i = 0; i < 2; ++i) record.Padding2[i] = bytes[kPadding2At + i];
  return record;
}

const std::array<std::string, 20>& MoodWords() {
  static const std::array<std::string, 20> words = [] {
    std::array<std::string, 20> cp932;
    for (std::size_t i = 0; i < cp932.size(); ++i) cp932[i] = Sjis(kMoodWordsUtf8[i]);
    return cp932;
  }();
  return words;
}

void ResetPlayerData(Game& game) {
  PlayerData& p = game.player;
  p.Level = 1;
  for (int i = 1; i <= 5; ++i) p.Params[i] = kStartParams[static_cast<std::size_t>(i - 1)];
  p.Node = 0;
}

bool ChangeParam(PlayerData& player, int32_t index, int32_t delta) {
  if (index > player.Level || delta == 0) return false;  // parameters above the level are not in play yet
  CheckRange(index, 1, 5);
  int32_t v = CheckedAdd(player.Params[index], delta);
  if (v > 100) v = 100;
  if (v < 0) v = 0;
  player.Params[index] = v;
  return true;
}

bool IsParamHigh(const PlayerData& player, int32_t index) {
  CheckRange(index, 1, 5);
  return player.Params[index] >= MoodThresholds[2];
}

int32_t FirstEmptyParam(const PlayerData& player) {
  for (int32_t i = 1; i <= 5; ++i)  // all five, whatever the level
    if (player.Params[i] <= 0) return i;
  return 0;
}

int32_t MoodBand(int32_t value) {
  int32_t band = 0;
  for (int32_t k = 1; k <= 3; ++k) {
    if (value < MoodThresholds[static_cast<std::size_t>(k - 1)]) break;
    band = k;
  }
  return band;
}

void ChangeParam(Game& game, int32_t index, int32_t delta) {
  if (ChangeParam(game.player, index, delta)) game.panel.PanelDirty = true;
}

bool IsParamHigh(const Game& game, int32_t index) { return IsParamHigh(game.player, index); }

int32_t FirstEmptyParam(const Game& game) { return FirstEmptyParam(game.player); }

std::string MoodLabel(const Game& game, int32_t index) {
  CheckRange(index, 1, 5);
  int32_t v = game.panel.ShownValues[index];  // the drawn value, so the word changes with the bar
  return MoodWords()[static_cast<std::size_t>((index - 1) * 4 + MoodBand(v))];
}

std::string ComputeCheckCode(const PlayerData& player) {
  std::array<int32_t, 6> acc{};
  for (int32_t i = 0; i < 6; ++i) acc[static_cast<std::size_t>(i)] = i * i;
  FoldDigits(acc, player.Level);
  for (int32_t i = 1; i <= 5; ++i) FoldDigits(acc, player.Params[i]);
  FoldDigits(acc, player.Node);
  std::string code(kCheckPrefix);
  for (int32_t a : acc) code += static_cast<char>('a' + a);
  return code;
}

bool SaveGame(Game& game) {
  bool ok = false;
  if (!game.terminate) {  // after a script failed to load, the program is ending: keep the old save
    SaveRecord& r = game.record;
    r.CheckCode.assign(ComputeCheckCode(game.player));
    r.Level = game.player.Level;
    for (int i = 1; i <= 5; ++i) r.Params[static_cast<std::size_t>(i - 1)] = game.player.Params[i];
    r.Node = game.player.Node;
    std::array<uint8_t, 84> bytes = EncodeSaveRecord(r);
    std::string error;
    FileSystem& files = game.platform.Files();
    // A save.dat the player has write-protected is kept as it is: the new
    // record would replace it by a rename, which needs only the folder's
    // permission.
    if (!SaveFileProtected(files.Resolve(kSaveFile)))
      ok = files.WriteAtomic(
          kSaveFile, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), error);
  }
  game.trace.Event("save").Bool("ok", ok);
  return ok;
}

namespace {

bool ReadSaveRecord(Game& game) {
  FileSystem& files = game.platform.Files();
  if (!SaveFileWritable(files.Resolve(kSaveFile))) return false;
  std::string bytes;
  std::string error;
  uint64_t size = 0;
  // The record alone is read: whatever follows it is ignored, however long.
  if (!files.ReadHead(kSaveFile, 84, bytes, size, error) || bytes.size() < 84) return false;
  std::array<uint8_t, 84> image{};
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(bytes[i]);  // beyond 84: ignored
  game.record = DecodeSaveRecord(image);
  PlayerData& p = game.player;
  p.Level = game.record.Level;
  for (int i = 1; i <= 5; ++i) p.Params[i] = game.record.Params[static_cast<std::size_t>(i - 1)];
  p.Node = game.record.Node;
  const ShortString16& stored = game.record.CheckCode;  // length byte and characters must both match
  return stored.length == 16 && stored.str() == ComputeCheckCode(p);
}

}  // namespace

bool LoadGame(Game& game) {
  bool ok = ReadSaveRecord(game);
  game.trace.Event("load").Bool("ok", ok);
  return ok;
}

void Sync(Serializer& s, PlayerData& player) {
  s.Sync(player.Level);
  SyncInts(s, player.Params);
  s.Sync(player.Node);
}

void Sync(Serializer& s, SaveRecord& record) {
  std::array<uint8_t, 84> image = EncodeSaveRecord(record);
  s.SyncBytes(image.data(), image.size());
  if (s.loading()) record = DecodeSaveRecord(image);
}

}  // namespace nurumo
