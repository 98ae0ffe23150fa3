// Running the built program in a test: a replay written as the run goes,
// a scratch game folder over the built game, and the trace read back.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "support.h"

namespace nurumo::testing {

inline const std::filesystem::path kProgram = std::filesystem::path(NURUMO_BINARY_DIR) / "nurumo";
inline const std::filesystem::path kGameDat = std::filesystem::path(NURUMO_BINARY_DIR) / "game" / "dat";

inline std::string Quoted(const std::filesystem::path& p) { return "'" + p.string() + "'"; }

// A replay written as the run goes: absolute times, one action a line.
class Replay {
 public:
  Replay& At(uint32_t ms, std::string_view action) {
    time_ = ms;
    text_ += std::to_string(ms) + " " + std::string(action) + "\n";
    return *this;
  }
  Replay& Then(uint32_t delta, std::string_view action) { return At(time_ + delta, action); }
  uint32_t time() const { return time_; }
  const std::string& text() const { return text_; }

 private:
  uint32_t time_ = 0;
  std::string text_;
};

// Runs a shell command; its standard output and exit status (-1 when it
// did not exit by itself).
inline int RunCommand(const std::string& command, std::string& out) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A scratch game folder whose dat/ is the built game's.
class GameFolder {
 public:
  GameFolder() {
    std::filesystem::remove(dir_.path() / "dat");
    std::filesystem::create_directory_symlink(kGameDat, dir_.path() / "dat");
  }
  const std::filesystem::path& path() const { return dir_.path(); }
  std::string Read(const std::string& name) const { return dir_.Read(name); }
  void Write(const std::string& name, std::string_view bytes) const { dir_.Write(name, bytes); }

  // The program, headless with seed 3 and the trace on standard output;
  // `extra` adds options. Standard error goes to stderr.txt in the folder.
  int Run(const Replay& replay, uint32_t until, const std::string& extra, std::string& trace) const {
    dir_.Write("replay.txt", replay.text());
    const std::string command = Quoted(kProgram) + " --headless --seed 3 --game-dir " + Quoted(path()) +
                                " --replay " + Quoted(path() / "replay.txt") + " --trace - --until " +
                                std::to_string(until) + " " + extra + " 2>" + Quoted(path() / "stderr.txt");
    return RunCommand(command, trace);
  }

 private:
  TempDir dir_;
};

}  // namespace nurumo::testing
