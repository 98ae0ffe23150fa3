// The POSIX side of platform/files.h: reading a regular file, writing one
// in place of another, and asking whether a file may be written.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

void RegularFile::Close() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool FileSystem::WriteAtomic(std::string_view cp932, std::string_view bytes, std::string& error) const {
  fs::path target = Resolve(cp932);
  fs::path temp = target;
  temp += ".tmp";
  ::unlink(temp.c_str());  // a leftover of a write cut short; a folder of that name stays and fails the open
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0 && ::fchmod(fd, old.st_mode & 0777) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (ok && left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : EIO);  // with SIGXFSZ ignored a size limit is EFBIG here
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (ok && ::fsync(fd) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (::close(fd) != 0 && ok) {
    error = std::strerror(errno);
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), target.c_str()) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

bool CanWriteFile(const fs::path& path) { return ::access(path.c_str(), W_OK) == 0; }

}  // namespace nurumo
