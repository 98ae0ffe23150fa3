// The Windows side of platform/system.h.
#include "platform/system.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <random>

#include "platform/files.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

std::atomic<void (*)()> close_request{nullptr};
std::atomic<bool> watching{false};
std::atomic<bool> console_close_watched{false};

std::string Utf8OfWide(const wchar_t* wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string out(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), size, nullptr, nullptr);
  out.pop_back();  // the terminating zero
  return out;
}

// Runs on a thread the console starts. For closing the console (and logging
// off, shutting down) Windows ends the process when this returns, so it
// waits: the program's main thread ends the game, writes the autosave and
// exits, which ends this wait too. Windows allows about five seconds.
BOOL WINAPI OnConsoleEvent(DWORD event) {
  void (*request)() = close_request.load();
  if (!request) return FALSE;
  request();
  if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT) Sleep(10000);
  return TRUE;
}

}  // namespace

void PrepareProcess() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  // The console shows UTF-8 while the game runs, and its own code page after.
  static UINT console_code_page = GetConsoleOutputCP();
  if (console_code_page != 0 && SetConsoleOutputCP(CP_UTF8))
    std::atexit([] { SetConsoleOutputCP(console_code_page); });
}

std::vector<std::string> ProgramArguments(int, char**) {
  std::vector<std::string> args;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return args;
  for (int i = 1; i < count; ++i) args.push_back(Utf8OfWide(wide[i]));
  LocalFree(wide);
  return args;
}

fs::path ProgramFile() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return {};
    if (n < name.size()) {
      name.resize(n);
      return fs::path(name);
    }
    name.resize(name.size() * 2);
  }
}

bool LocalTime(std::time_t when, std::tm& out) { return localtime_s(&out, &when) == 0; }

bool CanCreateFilesIn(const fs::path& dir) {
  std::random_device random;
  fs::path probe = dir / (L"nurumo-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(random()) + L".probe");
  HANDLE file = CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

std::optional<fs::path> UserDataFolder() {
  const wchar_t* appdata = _wgetenv(L"APPDATA");
  if (!appdata || !*appdata) return std::nullopt;
  fs::path base(appdata);
  if (!base.is_absolute()) return std::nullopt;
  return base / L"nurumo";
}

std::optional<fs::path> SettingsFile(const fs::path& data_dir) { return data_dir / L"settings.ini"; }

bool MidiNeedsSoundFont() { return false; }

void WatchCloseRequests(void (*request)()) {
  if (watching.exchange(true)) return;
  close_request = request;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void StopWatchingCloseRequests() {
  if (!watching.exchange(false)) return;
  SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
  close_request = nullptr;
}

void WatchConsoleClose(void (*request)()) {
  close_request = request;
  if (!console_close_watched.exchange(true)) SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

void StopWatchingConsoleClose() {}

}  // namespace nurumo
