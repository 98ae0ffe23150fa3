// The Windows side of platform/files.h. Files are opened in binary mode,
// names are UTF-16 (writing one whole: write_whole.cpp).
#include "platform/files.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <system_error>

namespace nurumo {

namespace fs = std::filesystem;

namespace {

// The C library's errno for why a file could not be opened.
int ErrnoOf(DWORD code, const fs::path& path) {
  std::error_code ec;
  switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED: return fs::is_directory(path, ec) ? EISDIR : EACCES;
    case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
    default: return EACCES;
  }
}

}  // namespace

// Opened so that another writer may still replace or remove the file while
// it is read (as POSIX allows): MoveFileExW over a file open without
// FILE_SHARE_DELETE fails.
RegularFile::RegularFile(const fs::path& path, std::string& error) {
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    error = std::strerror(ErrnoOf(GetLastError(), path));
    return;
  }
  fd_ = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (fd_ < 0) CloseHandle(handle);
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

bool RegularFile::Seek(uint64_t offset) {
  return fd_ >= 0 && offset <= static_cast<uint64_t>(INT64_MAX) &&
         ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) == static_cast<__int64>(offset);
}

void RegularFile::Close() {
  if (fd_ >= 0) ::_close(fd_);
  fd_ = -1;
}

bool CanWriteFile(const fs::path& path) { return ::_waccess(path.c_str(), 2) == 0; }

// Windows ignores letter case; the name found in the folder tells the spelling.
bool ExistsAsNamed(const fs::path& path) {
  const std::wstring name = path.filename().native();
  if (name.empty() || name.find_first_of(L"*?") != std::wstring::npos) return false;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return name == found.cFileName;
}


}  // namespace nurumo
