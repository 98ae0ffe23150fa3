// The game flow state machine: title, prologue, level scripts, the save
// question, exploration, level-up, game over, epilogue and ending.
#pragma once

#include <cstdint>
#include <string>

namespace nurumo {

struct Game;
class Serializer;

struct FlowData {
  int32_t FlowState = 0;
  bool WaitForX = false;
  std::string SavePrompt;  // "", "SAVE", "SUCCESS" or "FAILURE"
  int32_t TitleCounter = 0;
  int32_t LastVoice = -1;
  bool VoiceMode = false;
};

// Everything but VoiceMode, which is the process's own (the marker at start).
void Sync(Serializer& s, FlowData& flow);

void AdvanceFlow(Game& game);
void GotoState(Game& game, int32_t state);
void RunScript(Game& game, const std::string& name, int32_t follow_up);
void TitleStillTick(Game& game, int32_t interval, int32_t elapsed);
void TitleFadeTick(Game& game, int32_t interval, int32_t elapsed);

// The caption of a level: LevelTitles for 0..6, "Level" + number otherwise.
std::string LevelTitle(int32_t level);  // CP932

}  // namespace nurumo
