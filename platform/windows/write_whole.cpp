// The Windows form of the whole-file writer: a temporary file of this
// write's own made exclusively (binary mode: no CR added to a line's end),
// _commit, then MoveFileExW, which replaces the target in one step as rename
// does on POSIX and with WRITE_THROUGH returns once the move is on the disk.
#include "platform/write_whole.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <system_error>

#include "platform/files.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

// The reason of a failed Windows call, in UTF-8 without the final line break.
std::string WindowsReason(DWORD code) {
  wchar_t* text = nullptr;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT),
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason;
  if (n > 0 && text) {
    std::wstring wide(text, n);
    while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L'.'))
      wide.pop_back();
    reason = Utf8Of(fs::path(wide));
  } else {
    reason = "Windows error " + std::to_string(code);
  }
  if (text) LocalFree(text);
  return reason;
}

// Six letters or digits no other write is likely to pick: the process, the
// time, a count and the system's randomness mixed. The exclusive create is
// what makes the name this write's own; this only keeps retries rare.
std::wstring UniqueSuffix() {
  static std::atomic<uint64_t> count{0};
  static const uint64_t seed = [] {
    std::random_device device;
    return (uint64_t{device()} << 32) ^ device();
  }();
  uint64_t x = seed ^ (uint64_t{GetCurrentProcessId()} << 40) ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               (count.fetch_add(1) * 0x9E3779B97F4A7C15ull);
  x ^= x >> 31;
  x *= 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::wstring suffix;
  for (int i = 0; i < 6; ++i) {
    suffix += kLetters[x % 62];
    x /= 62;
  }
  return suffix;
}

bool WriteAll(int fd, std::string_view bytes, std::string& error) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    int n = ::_write(fd, p, static_cast<unsigned>(std::min<std::size_t>(left, INT_MAX / 2)));
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : EIO);
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The reason in the C library's words where it has them (the game tells
// those to the player in Japanese), else in Windows' own.
std::string ReasonOf(DWORD code, const fs::path& target) {
  std::error_code ec;
  switch (code) {
    case ERROR_ACCESS_DENIED: return std::strerror(fs::is_directory(target, ec) ? EISDIR : EACCES);
    case ERROR_WRITE_PROTECT: return std::strerror(EROFS);
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return std::strerror(ENOSPC);
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return std::strerror(ENOENT);
    default: return WindowsReason(code);
  }
}

// Replaces `target` with `temp`. Windows refuses for a moment while another
// writer replaces the same file or a program holds it open without letting
// it be deleted (a reader, a virus scanner, a backup): tried again for up to
// three seconds.
bool MoveOver(const fs::path& temp, const fs::path& target) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  for (;;) {
    if (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
    const DWORD code = GetLastError();
    // A folder by the name, or a read-only file, stays so however long we wait.
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool lasting = attributes != INVALID_FILE_ATTRIBUTES &&
                         (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0;
    if (std::chrono::steady_clock::now() >= give_up || (code != ERROR_ACCESS_DENIED && code != ERROR_SHARING_VIOLATION) ||
        lasting) {
      SetLastError(code);
      return false;
    }
    Sleep(5);
  }
}

}  // namespace

bool WriteFileWhole(const fs::path& target, std::string_view bytes, std::string& error) {
  fs::path temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = target;
    temp += L".tmp-" + UniqueSuffix();
    fd = ::_wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = WriteAll(fd, bytes, error);
  if (ok && ::_commit(fd) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (::_close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && !MoveOver(temp, target)) {
    error = ReasonOf(GetLastError(), target);
    ok = false;
  }
  if (!ok) {
    ::_wunlink(temp.c_str());  // ours alone: nobody else has this name
    return false;
  }
  RemoveOldLeftovers(target);
  return true;
}

void RemoveOldLeftovers(const fs::path& target) {
  const std::wstring prefix = target.filename().native() + L".tmp";  // also the one fixed name of older versions
  const auto before = fs::file_time_type::clock::now() - std::chrono::minutes(kLeftoverMinutes);
  std::error_code ec;
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::wstring name = it->path().filename().native();
    if (!name.starts_with(prefix)) continue;
    const std::wstring rest = name.substr(prefix.size());
    if (!rest.empty() && !(rest.size() == 7 && rest[0] == L'-')) continue;  // "" or "-XXXXXX" only
    std::error_code item;
    if (!it->is_regular_file(item) || it->is_symlink(item)) continue;
    const auto written = it->last_write_time(item);
    if (!item && written < before) ::_wunlink(it->path().c_str());
  }
}

}  // namespace nurumo
