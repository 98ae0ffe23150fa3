// The player's level, five parameters and place, and the 84-byte save record.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/checked.h"

namespace nurumo {

struct Game;
class Serializer;

struct PlayerData {
  int32_t Level = 0;
  CheckedArray<int32_t, 1, 5> Params;
  int32_t Node = 0;
};

// A length byte (0..16) and 16 character bytes; bytes past the length are
// kept as they are and ignored when read.
struct ShortString16 {
  uint8_t length = 0;
  std::array<char, 16> chars{};

  std::string str() const;           // the first min(length, 16) bytes
  void assign(std::string_view s);   // cut to the first 16 bytes
};

struct SaveRecord {
  ShortString16 CheckCode;
  std::array<uint8_t, 3> Padding1{};
  int32_t Level = 0;
  std::array<int32_t, 5> Params{};  // parameters 1..5
  int32_t Node = 0;
  ShortString16 EffectName;
  ShortString16 MusicName;
  std::array<uint8_t, 2> Padding2{};
};

inline constexpr std::array<int32_t, 3> MoodThresholds = {15, 50, 85};

// The twenty mood words (CP932), four per parameter from the lowest band up:
// entry (index - 1) * 4 + band.
const std::array<std::string, 20>& MoodWords();

// The 84 bytes of save.dat, little-endian.
std::array<uint8_t, 84> EncodeSaveRecord(const SaveRecord& record);
SaveRecord DecodeSaveRecord(const std::array<uint8_t, 84>& bytes);

void Sync(Serializer& s, PlayerData& player);
void Sync(Serializer& s, SaveRecord& record);  // its 84-byte image

// The rules over the player data alone, for the exploration's rules and
// for tools that play without a Game. ChangeParam says whether the
// parameter changed (the panel must then be redrawn).
bool ChangeParam(PlayerData& player, int32_t index, int32_t delta);
bool IsParamHigh(const PlayerData& player, int32_t index);
int32_t FirstEmptyParam(const PlayerData& player);
int32_t MoodBand(int32_t value);  // 0..3: below 15, 15..49, 50..84, 85 and above

void ResetPlayerData(Game& game);
void ChangeParam(Game& game, int32_t index, int32_t delta);
bool IsParamHigh(const Game& game, int32_t index);
int32_t FirstEmptyParam(const Game& game);
std::string MoodLabel(const Game& game, int32_t index);  // CP932
std::string ComputeCheckCode(const PlayerData& player);  // 16 ASCII characters
bool SaveGame(Game& game);
bool LoadGame(Game& game);

}  // namespace nurumo
