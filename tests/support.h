// Shared test fixtures: a scratch game folder and a headless game over it.
#pragma once

#ifdef _WIN32
#include <condition_variable>
#include <mutex>
#include <random>
#include <thread>
#else
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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
#include "platform/files.h"
#include "platform/headless/headless_platform.h"

namespace nurumo::testing {

// What the test programs ask of the machine, in its POSIX and its Windows
// forms (the cross-built tests run under Wine): the allocator's count, the
// environment, a deadline, a shell command, a fresh temporary folder, named
// pipes and a file-size limit. What Windows has no form of is said here, and
// the tests that need it skip with that reason.
#ifdef _WIN32
inline constexpr bool kHasFifos = false;
inline constexpr const char* kNoFifos = "Windows has no named pipes in the file system";
inline constexpr bool kHasFileSizeLimit = false;
inline constexpr const char* kNoFileSizeLimit = "Windows has no per-process limit on a file's size";
// The variable that names the player's own folder for the game's files.
inline constexpr const char* kUserDataVariable = "APPDATA";
inline constexpr bool kHasPermissionBits = false;
inline constexpr const char* kNoPermissionBits = "Windows files have only a read-only attribute, no mode bits";

// mingw's C runtime heap keeps no count of the bytes it holds.
inline std::size_t HeldBytes() { return 0; }
inline bool HeldBytesCounted() { return false; }

inline void SetEnv(const char* name, const std::string& value) { ::_putenv_s(name, value.c_str()); }
inline void UnsetEnv(const char* name) { ::_putenv_s(name, ""); }

// Ends the test program if it still runs `seconds` from now.
class Deadline {
 public:
  explicit Deadline(unsigned seconds) : state_(std::make_shared<State>()) {
    std::thread([state = state_, seconds] {
      std::unique_lock<std::mutex> lock(state->mutex);
      if (!state->wake.wait_for(lock, std::chrono::seconds(seconds), [&] { return state->done; })) {
        std::fputs("test deadline passed\n", stderr);
        std::_Exit(124);
      }
    }).detach();
  }
  ~Deadline() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->done = true;
    state_->wake.notify_all();
  }
  Deadline(const Deadline&) = delete;
  Deadline& operator=(const Deadline&) = delete;

 private:
  struct State {
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
  };
  std::shared_ptr<State> state_;
};

inline FILE* OpenCommand(const std::string& command) { return ::_popen(command.c_str(), "rb"); }
inline int CloseCommand(FILE* pipe) { return ::_pclose(pipe); }

// A fresh folder under `parent` named `stem` and a random tail; empty when
// none could be made.
inline std::filesystem::path MakeTempFolder(const std::filesystem::path& parent, const std::string& stem) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path dir = parent / PathOfUtf8(stem + "-" + std::to_string(random()));
    std::error_code ec;
    if (std::filesystem::create_directory(dir, ec)) return dir;
  }
  return {};
}

inline bool MakeFifo(const std::filesystem::path&) { return false; }
inline std::optional<long> PeakKilobytes() { return std::nullopt; }  // not asked of Windows here
inline bool RunsAsSuperuser() { return false; }

class FileSizeLimit {
 public:
  explicit FileSizeLimit(uint64_t) {}
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
};
#else
inline constexpr bool kHasFifos = true;
inline constexpr const char* kNoFifos = "";
inline constexpr bool kHasFileSizeLimit = true;
inline constexpr const char* kNoFileSizeLimit = "";
inline constexpr const char* kUserDataVariable = "XDG_DATA_HOME";
inline constexpr bool kHasPermissionBits = true;
inline constexpr const char* kNoPermissionBits = "";

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

inline void SetEnv(const char* name, const std::string& value) { ::setenv(name, value.c_str(), 1); }
inline void UnsetEnv(const char* name) { ::unsetenv(name); }

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

inline FILE* OpenCommand(const std::string& command) { return ::popen(command.c_str(), "r"); }
inline int CloseCommand(FILE* pipe) {
  const int status = ::pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

inline std::filesystem::path MakeTempFolder(const std::filesystem::path& parent, const std::string& stem) {
  std::string pattern = (parent / (stem + "-XXXXXX")).string();
  if (!::mkdtemp(pattern.data())) return {};
  return pattern;
}

inline bool MakeFifo(const std::filesystem::path& path) { return ::mkfifo(path.c_str(), 0644) == 0; }

// The most memory the process has held at once, in kilobytes.
inline std::optional<long> PeakKilobytes() {
  rusage usage{};
  if (::getrusage(RUSAGE_SELF, &usage) != 0) return std::nullopt;
  return usage.ru_maxrss;
}
inline bool RunsAsSuperuser() { return ::geteuid() == 0; }

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
#endif

// Sets an environment variable for as long as it lives, then puts back
// what was there (or unsets it): e.g. XDG_CONFIG_HOME for a run of the
// program whose settings file the test reads.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    SetEnv(name, value);
  }
  ~ScopedEnv() {
    if (old_) SetEnv(name_, *old_);
    else UnsetEnv(name_);
  }
  ScopedEnv(const char* name, const std::filesystem::path& value) : ScopedEnv(name, Utf8Of(value)) {}
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// HOME and the XDG folders under `home` (test_main.cpp gives each test
// process its own).
// On Windows APPDATA too, where the player's files go when the game
// folder cannot hold them.
inline void SetScratchHome(const std::filesystem::path& home) {
  SetEnv("HOME", Utf8Of(home));
  SetEnv("XDG_CONFIG_HOME", Utf8Of(home / ".config"));
  SetEnv("XDG_DATA_HOME", Utf8Of(home / ".local" / "share"));
  SetEnv("XDG_CACHE_HOME", Utf8Of(home / ".cache"));
  SetEnv("XDG_STATE_HOME", Utf8Of(home / ".local" / "state"));
#ifdef _WIN32
  SetEnv("APPDATA", Utf8Of(home / "AppData" / "Roaming"));
#endif
}

// Runs a shell command; its standard output and exit status (-1 when it
// did not exit by itself).
inline int RunCommand(const std::string& command, std::string& out) {
  FILE* pipe = OpenCommand(command);
  if (!pipe) return -1;
  char buffer[8192];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
  return CloseCommand(pipe);
}

// A fresh folder under the system's temporary folder, removed afterwards.
class TempDir {
 public:
  TempDir() {
    path_ = MakeTempFolder(std::filesystem::temp_directory_path(), "nurumo-test");
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
    std::filesystem::path p = path_ / PathOfUtf8(relative);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  std::string Read(const std::string& relative) const {
    std::ifstream in(path_ / PathOfUtf8(relative), std::ios::binary);
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

}  // namespace nurumo::testing
