// The POSIX form of the whole-file writer: mkostemp, write, fsync, rename,
// and an fsync of the folder so that the rename itself is on the disk.
#include "platform/write_whole.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <system_error>

namespace nurumo {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, std::string_view bytes, std::string& error) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(n < 0 ? errno : EIO);  // with SIGXFSZ ignored a size limit is EFBIG here
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

// The bits a new file gets: the old target's, or 0644 less the umask.
mode_t NewFileMode(const fs::path& target) {
  struct stat old {};
  if (::stat(target.c_str(), &old) == 0) return old.st_mode & 0777;
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0644 & ~mask;
}

void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // some file systems cannot, and the rename has happened anyway
  ::close(fd);
}

}  // namespace

bool WriteFileWhole(const fs::path& target, std::string_view bytes, std::string& error) {
  std::string temp = target.native() + ".tmp-XXXXXX";
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // a name of this write's own, made exclusively
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = true;
  if (::fchmod(fd, NewFileMode(target)) != 0) {
    error = std::strerror(errno);
    ok = false;
  }
  ok = ok && WriteAll(fd, bytes, error);
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
  if (!ok) {
    ::unlink(temp.c_str());  // ours alone: nobody else has this name
    return false;
  }
  SyncFolder(target.parent_path());
  RemoveOldLeftovers(target);
  return true;
}

void RemoveOldLeftovers(const fs::path& target) {
  const std::string prefix = target.filename().native() + ".tmp";  // also the one fixed name of older versions
  const auto before = fs::file_time_type::clock::now() - std::chrono::minutes(kLeftoverMinutes);
  std::error_code ec;
  const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  for (auto it = fs::directory_iterator(folder, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().native();
    if (!name.starts_with(prefix)) continue;
    const std::string rest = name.substr(prefix.size());
    if (!rest.empty() && !(rest.size() == 7 && rest[0] == '-')) continue;  // "" or "-XXXXXX" only
    std::error_code item;
    if (!it->is_regular_file(item) || it->is_symlink(item)) continue;
    const auto written = it->last_write_time(item);
    if (!item && written < before) ::unlink(it->path().c_str());
  }
}

}  // namespace nurumo
