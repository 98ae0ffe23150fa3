#include "app/folders.h"

#include "platform/files.h"
#include "platform/system.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

#ifndef NURUMO_BUILD_DIR
#define NURUMO_BUILD_DIR ""
#endif

// Folders an installed game's data may be in, relative to the program's
// folder: Debian's games layout first, then the plain one.
constexpr const char* kInstalledDirs[] = {"../share/games/nurumo", "../share/nurumo"};

fs::path ProgramDir() { return ProgramFile().parent_path(); }

bool SameFolder(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  return !a.empty() && !b.empty() && fs::equivalent(a, b, ec) && !ec;
}

std::string Quote(const fs::path& dir) { return "'" + Utf8Of(dir) + "'"; }

}  // namespace

GameDirSearch ThisProcessSearch(const std::optional<fs::path>& given) {
  std::error_code ec;
  fs::path current = fs::current_path(ec);
  return {given, ec ? fs::path(".") : current, ProgramDir(), PathOfUtf8(NURUMO_BUILD_DIR)};
}

bool HoldsDat(const fs::path& dir) {
  std::error_code ec;
  return !dir.empty() && fs::is_directory(FileSystem(dir).Resolve("dat"), ec);  // DAT as well, as the game reads it
}

bool ChooseGameDir(const GameDirSearch& search, GameFolder& out, std::string& error) {
  if (search.given) {
    if (HoldsDat(*search.given)) {
      out = {*search.given, false};
      return true;
    }
    error = "no game data (a dat folder) in the game folder " + Quote(*search.given);
    return false;
  }
  std::vector<GameFolder> candidates = {{search.current, false}};
  if (!search.program_dir.empty()) {
    candidates.push_back({search.program_dir, false});
    for (const char* installed : kInstalledDirs)
      candidates.push_back({(search.program_dir / installed).lexically_normal(), true});
    if (SameFolder(search.program_dir, search.build_dir)) candidates.push_back({search.build_dir / "game", false});
  }
  std::string tried;
  for (const GameFolder& candidate : candidates) {
    if (HoldsDat(candidate.dir)) {
      out = candidate;
      return true;
    }
    tried += (tried.empty() ? "" : ", ") + Quote(candidate.dir);
  }
  error = "no game data (a dat folder) found; looked in " + tried + " (see --game-dir)";
  return false;
}

fs::path ChooseDataDir(const GameFolder& game) {
  if (!game.installed && CanCreateFilesIn(game.dir)) return game.dir;
  std::optional<fs::path> data = UserDataFolder();
  if (!data) return game.dir;  // nowhere better: saving will report its failure
  std::error_code ec;
  fs::create_directories(*data, ec);
  return ec ? game.dir : *data;
}

}  // namespace nurumo
