// The Windows side of platform/files.h. Files are opened in binary mode,
// names are UTF-16 (writing one whole: write_whole.cpp).
#include "platform/files.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace nurumo {

namespace fs = std::filesystem;

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

bool RegularFile::Seek(uint64_t offset) {
  return fd_ >= 0 && offset <= static_cast<uint64_t>(INT64_MAX) &&
         ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) == static_cast<__int64>(offset);
}

void RegularFile::Close() {
  if (fd_ >= 0) ::_close(fd_);
  fd_ = -1;
}

bool CanWriteFile(const fs::path& path) { return ::_waccess(path.c_str(), 2) == 0; }

}  // namespace nurumo
