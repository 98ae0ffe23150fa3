// The POSIX side of platform/system.h (Linux and the like).
#include "platform/system.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace nurumo {

namespace fs = std::filesystem;

namespace {

struct sigaction previous_int {};
struct sigaction previous_term {};
struct sigaction previous_hup {};
bool watching = false;
struct sigaction previous_window_hup {};
bool watching_window = false;
void (*close_request)() = nullptr;

void OnCloseSignal(int) {
  if (close_request) close_request();
}

void HangUpAsTerm(int) { ::raise(SIGTERM); }

// An absolute folder named by a variable; a relative value is to be ignored.
std::optional<fs::path> AbsoluteFrom(const char* variable) {
  const char* value = std::getenv(variable);
  if (value && *value == '/') return fs::path(value);
  return std::nullopt;
}

std::optional<fs::path> Home() {
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home);
  return std::nullopt;
}

}  // namespace

void PrepareProcess() {
  std::signal(SIGXFSZ, SIG_IGN);
  std::signal(SIGPIPE, SIG_IGN);
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

fs::path ProgramFile() {
  std::error_code ec;
  fs::path program = fs::read_symlink("/proc/self/exe", ec);
  return ec ? fs::path() : program;
}

bool LocalTime(std::time_t when, std::tm& out) { return localtime_r(&when, &out) != nullptr; }

bool CanCreateFilesIn(const fs::path& dir) { return ::access(dir.c_str(), W_OK) == 0; }

std::optional<fs::path> UserDataFolder() {
  if (auto xdg = AbsoluteFrom("XDG_DATA_HOME")) return *xdg / "nurumo";
  if (auto home = Home()) return *home / ".local" / "share" / "nurumo";
  return std::nullopt;
}

std::optional<fs::path> SettingsFile(const fs::path&) {
  if (auto xdg = AbsoluteFrom("XDG_CONFIG_HOME")) return *xdg / "nurumo" / "settings.ini";
  if (auto home = Home()) return *home / ".config" / "nurumo" / "settings.ini";
  return std::nullopt;
}

bool MidiNeedsSoundFont() { return true; }

void WatchCloseRequests(void (*request)()) {
  if (watching) return;
  close_request = request;
  struct sigaction action {};
  action.sa_handler = OnCloseSignal;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, &previous_int);
  ::sigaction(SIGTERM, &action, &previous_term);
  ::sigaction(SIGHUP, &action, &previous_hup);  // the terminal closed
  watching = true;
}

void StopWatchingCloseRequests() {
  if (!watching) return;
  ::sigaction(SIGINT, &previous_int, nullptr);
  ::sigaction(SIGTERM, &previous_term, nullptr);
  ::sigaction(SIGHUP, &previous_hup, nullptr);
  watching = false;
}

void WatchConsoleClose(void (*)()) {
  if (watching_window) return;
  struct sigaction hang_up {};
  hang_up.sa_handler = HangUpAsTerm;
  sigemptyset(&hang_up.sa_mask);
  ::sigaction(SIGHUP, &hang_up, &previous_window_hup);
  watching_window = true;
}

void StopWatchingConsoleClose() {
  if (!watching_window) return;
  ::sigaction(SIGHUP, &previous_window_hup, nullptr);
  watching_window = false;
}

}  // namespace nurumo
