// The POSIX side of platform/files.h: reading a regular file and asking
// whether a file may be written (writing one whole: write_whole.cpp).
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

namespace nurumo {

namespace fs = std::filesystem;

RegularFile::RegularFile(const fs::path& path, std::string& error) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a pipe cannot hold the open up
  struct stat info {};
  if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
    error = std::strerror(errno);
    Close();
  } else if (!S_ISREG(info.st_mode)) {
    error = S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
    Close();
  } else {
    size_ = static_cast<uint64_t>(info.st_size);
  }
}

// In chunks, so that what is held never runs far ahead of what the file
// really gave.
bool RegularFile::Read(std::size_t max_bytes, std::string& out, std::string& error) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  out.reserve(static_cast<std::size_t>(std::min<uint64_t>(size_, max_bytes)));
  char chunk[kChunk];
  while (out.size() < max_bytes) {
    ssize_t n = ::read(fd_, chunk, std::min(kChunk, max_bytes - out.size()));
    if (n < 0 && errno == EINTR) continue;
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
  return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) == static_cast<off_t>(offset);
}

void RegularFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool CanWriteFile(const fs::path& path) { return ::access(path.c_str(), W_OK) == 0; }

bool ExistsAsNamed(const fs::path& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

}  // namespace nurumo
