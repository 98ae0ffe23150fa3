// Running the built program in a test: a replay written as the run goes,
// a child process read as it runs, a scratch game folder over the built
// game, and the trace read back.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

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

// The built program in a child process, its standard output in a pipe,
// killed if the test leaves it running.
class Child {
 public:
  // `in_child` runs in the child before the program starts (a limit, an
  // environment variable).
  explicit Child(const std::vector<std::string>& args, const std::function<void()>& in_child = {}) {
    std::vector<std::string> all = {kProgram.string()};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], 1);
      ::close(fds[0]);
      ::close(fds[1]);
      if (in_child) in_child();
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Child() {
    if (out_ >= 0) ::close(out_);
    if (pid_ > 0 && !waited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }

  // Reads the output until it holds `text` (true) or ends (false).
  bool ReadUntil(std::string_view text) {
    while (output_.find(text) == std::string::npos)
      if (!ReadSome()) return false;
    return true;
  }
  void Signal(int signal) { ::kill(pid_, signal); }
  // The whole output and the wait status.
  int Finish() {
    while (ReadSome()) {
    }
    int status = -1;
    ::waitpid(pid_, &status, 0);
    waited_ = true;
    return status;
  }
  const std::string& output() const { return output_; }
  std::string LastLine() const {
    const std::size_t end = output_.find_last_of('\n', output_.size() - 2);
    return output_.substr(end == std::string::npos ? 0 : end + 1);
  }

 private:
  bool ReadSome() {
    char buffer[4096];
    ssize_t n = ::read(out_, buffer, sizeof buffer);
    if (n <= 0) return false;
    output_.append(buffer, static_cast<std::size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int out_ = -1;
  bool waited_ = false;
  std::string output_;
};

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
