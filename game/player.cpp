// Placeholder bodies; player data lands with the world work.
#include "game/player.h"

#include "game/game.h"

namespace nurumo {

std::string ShortString16::str() const { return std::string(chars.data(), length > 16 ? 16 : length); }
void ShortString16::assign(std::string_view s) {
  length = static_cast<uint8_t>(s.size() > 16 ? 16 : s.size());
  for (std::size_t i = 0; i < length; ++i) chars[i] = s[i];
}
std::array<uint8_t, 84> EncodeSaveRecord(const SaveRecord&) { return {}; }
SaveRecord DecodeSaveRecord(const std::array<uint8_t, 84>&) { return {}; }
void ResetPlayerData(Game&) {}
void ChangeParam(Game&, int32_t, int32_t) {}
bool IsParamHigh(const Game&, int32_t) { return false; }
int32_t FirstEmptyParam(const Game&) { return 0; }
std::string MoodLabel(const Game&, int32_t) { return {}; }
std::string ComputeCheckCode(const PlayerData&) { return {}; }
bool SaveGame(Game&) { return false; }
bool LoadGame(Game&) { return false; }

}  // namespace nurumo
