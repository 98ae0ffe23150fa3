// The Windows side of platform/files.h. Files are opened in binary mode
// (text mode would write CR LF for LF), names are UTF-16, a new file is
// flushed with _commit and moved over the old one with MoveFileExW, which
// replaces it in one step as rename does on POSIX.
#include "platform/files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

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

}  // namespace

RegularFile::RegularFile(const fs::path& path, std::string& error) {
  fd_ = ::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  struct _stat64 info {};
  if (fd_ < 0 || ::_fstat64(fd_, &info) != 0) {
    error = std::strerror(errno);
    Close();
  } else if ((info.st_mode & _S_IFMT) != _S_IFREG) {
    error = (info.st_mode & _S_IFMT) == _S_IFDIR ? std::strerror(EISDIR) : "not a regular file";
    Close();
  } else {
    size_ = static_cast<uint64_t>(info.st_size);
  }
}

bool RegularFile::Read(std::size_t max_bytes, std::string& out, std::string& error) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  out.reserve(static_cast<std::size_t>(std::min<uint64_t>(size_, max_bytes)));
  char chunk[kChunk];
  while (out.size() < max_bytes) {
    int n = ::_read(fd_, chunk, static_cast<unsigned>(std::min(kChunk, max_bytes - out.size())));
    if (n < 0) {
      error = std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    out.append(chunk, static_cast<std::size_t>(n));
  }
  return true;
}

void RegularFile::Close() {
  if (fd_ >= 0) ::_close(fd_);
  fd_ = -1;
}

bool FileSystem::WriteAtomic(std::string_view cp932, std::string_view bytes, std::string& error) const {
  fs::path target = Resolve(cp932);
  fs::path temp = target;
  temp += ".tmp";
  ::_wunlink(temp.c_str());  // a leftover of a write cut short; a folder of that name stays and fails the open
  int fd = ::_wopen(temp.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                    _S_IREAD | _S_IWRITE);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (ok && left > 0) {
    int n = ::_write(fd, p, static_cast<unsigned>(std::min<std::size_t>(left, INT_MAX / 2)));
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : EIO);
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::_commit(fd) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (::_close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = WindowsReason(GetLastError());
    ok = false;
  }
  if (!ok) ::_wunlink(temp.c_str());
  return ok;
}

bool CanWriteFile(const fs::path& path) { return ::_waccess(path.c_str(), 2) == 0; }

}  // namespace nurumo
