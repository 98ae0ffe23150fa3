// Shared test fixtures: a scratch game folder and a headless game over it.
#pragma once

#include <malloc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "game/game.h"
#include "game/player.h"
#include "platform/headless/headless_platform.h"

namespace nurumo::testing {

// The bytes the allocator holds for the program, from glibc's statistics.
// AddressSanitizer's allocator is not counted there, so under it they stay
// flat and a bound on them always holds: HeldBytesCounted() is false, and a
// test skips its bound (GTEST_SKIP, after the work) rather than pass it.
// Other C libraries (the web build's) have only the older mallinfo.
#if defined(__GLIBC__)
inline std::size_t HeldBytes() { return mallinfo2().uordblks; }
#else
inline std::size_t HeldBytes() { return static_cast<std::size_t>(mallinfo().uordblks); }
#endif

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kHeldBytesCounted = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kHeldBytesCounted = false;
#else
inline constexpr bool kHeldBytesCounted = true;
#endif
#else
inline constexpr bool kHeldBytesCounted = true;
#endif
inline bool HeldBytesCounted() { return kHeldBytesCounted; }

// Sets an environment variable for as long as it lives, then puts back
// what was there (or unsets it): e.g. XDG_CONFIG_HOME for a run of the
// program whose settings file the test reads.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_) ::setenv(name_, old_->c_str(), 1);
    else ::unsetenv(name_);
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Ends the test program (SIGALRM) if it still runs `seconds` from now: for
// a test whose fault would be a read that waits for ever, such as a pipe
// opened where a file was expected.
class Deadline {
 public:
  explicit Deadline(unsigned seconds) { ::alarm(seconds); }
  ~Deadline() { ::alarm(0); }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;
};

// HOME and the XDG folders under `home` (test_main.cpp gives each test
// process its own).
inline void SetScratchHome(const std::filesystem::path& home) {
  ::setenv("HOME", home.c_str(), 1);
  ::setenv("XDG_CONFIG_HOME", (home / ".config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home / ".local" / "share").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home / ".cache").c_str(), 1);
  ::setenv("XDG_STATE_HOME", (home / ".local" / "state").c_str(), 1);
}

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

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "nurumo-test-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(path_ / "dat");
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Write a file (relative UTF-8 path, bytes as given).
  void Write(const std::string& relative, std::string_view bytes) const {
    std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(path_ / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::filesystem::path path_;
};

// Appends `value` as `bytes` little-endian bytes.
inline void PutLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// Player data of a level, five parameters and a place.
inline PlayerData Player(int32_t level, std::array<int32_t, 5> params, int32_t node) {
  PlayerData player;
  player.Level = level;
  for (int32_t i = 1; i <= 5; ++i) player.Params[i] = params[static_cast<std::size_t>(i - 1)];
  player.Node = node;
  return player;
}

// The bytes of save.dat as the game's own save code writes them.
inline std::string SaveFileBytes(int32_t level, std::array<int32_t, 5> params, int32_t node,
                                 std::string_view effect, std::string_view music) {
  const PlayerData player = Player(level, params, node);
  SaveRecord record;
  record.CheckCode.assign(ComputeCheckCode(player));
  record.Level = level;
  record.Params = params;
  record.Node = node;
  record.EffectName.assign(effect);
  record.MusicName.assign(music);
  const auto bytes = EncodeSaveRecord(record);
  return std::string(bytes.begin(), bytes.end());
}

// A headless platform and a game over a scratch folder.
struct HeadlessGame {
  explicit HeadlessGame(uint32_t seed = 1)
      : platform(FileSystem(dir.path())), game(platform, seed) {}
  TempDir dir;
  HeadlessPlatform platform;
  Game game;
};

// While it stands, no file of this process grows past `bytes` (ulimit -f):
// a write beyond fails with EFBIG, as on a full disk. A failure the writer
// cannot steer around, whatever names it picks.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_signal_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_signal_)(int) = nullptr;
};

}  // namespace nurumo::testing
