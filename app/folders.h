// Where the game's data are read from and where the player's files go.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nurumo {

// The places a game folder may be, as this process sees them.
struct GameDirSearch {
  std::optional<std::filesystem::path> given;  // --game-dir
  std::filesystem::path current;               // the working folder
  std::filesystem::path program_dir;           // the program file's own folder; empty when unknown
  std::filesystem::path build_dir;             // the build tree the program was made in; empty for none
};

struct GameFolder {
  std::filesystem::path dir;  // the folder holding dat/
  bool installed = false;     // found under share/ beside the program: never written into
};

// The search of this process: the working folder, the program's folder
// (its real path) and the build tree compiled in.
GameDirSearch ThisProcessSearch(const std::optional<std::filesystem::path>& given);

// Whether the folder holds a dat/ folder (its name in any letter case, as
// the game's own paths are matched).
bool HoldsDat(const std::filesystem::path& dir);

// The game folder, the first of: the given one; the working folder when it
// holds dat/; the program's folder when it holds dat/ (a game copied beside
// its data); ../share/games/nurumo and ../share/nurumo from the program's
// folder (an installed game, wherever its prefix); the build tree's game/
// when the program is the one in that build tree. None: false, and `error`
// is one line naming every folder tried.
bool ChooseGameDir(const GameDirSearch& search, GameFolder& out, std::string& error);

// Where save.dat, the afterword and the voice-mode marker live: the game
// folder when files can be created there and it is not an installed one,
// else UserDataFolder() (platform/system.h: $XDG_DATA_HOME/nurumo, by
// default ~/.local/share/nurumo; %APPDATA%\nurumo on Windows), created here.
std::filesystem::path ChooseDataDir(const GameFolder& game);

}  // namespace nurumo
