#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "core/text.h"

namespace nurumo {

namespace fs = std::filesystem;

namespace {

std::string FoldCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// Split a game path at backslashes and slashes into UTF-8 components.
std::vector<std::string> Components(std::string_view cp932) {
  std::vector<std::string> parts;
  std::string current;
  for (std::size_t i = 0; i < cp932.size();) {
    std::size_t n = CharLength(cp932, i);
    if (n == 1 && (cp932[i] == '\\' || cp932[i] == '/')) {
      if (!current.empty()) parts.push_back(Cp932ToUtf8(current));
      current.clear();
    } else {
      current.append(cp932.substr(i, n));
    }
    i += n;
  }
  if (!current.empty()) parts.push_back(Cp932ToUtf8(current));
  return parts;
}

}  // namespace

FileSystem::FileSystem(fs::path game_dir, fs::path data_dir)
    : game_dir_(std::move(game_dir)), data_dir_(std::move(data_dir)) {}

fs::path FileSystem::Resolve(std::string_view cp932) const {
  std::vector<std::string> parts = Components(cp932);
  bool absolute = !cp932.empty() && (cp932[0] == '/' || cp932[0] == '\\');
  fs::path base = absolute ? fs::path("/")
                  : (!parts.empty() && FoldCase(parts[0]) == "dat") ? game_dir_
                                                                     : data_dir_;
  fs::path result = base;
  for (const std::string& part : parts) {
    fs::path exact = result / fs::path(part);
    std::error_code ec;
    if (fs::exists(exact, ec) || !fs::is_directory(result, ec)) {
      result = exact;
      continue;
    }
    fs::path found = exact;
    std::string want = FoldCase(part);
    for (const auto& entry : fs::directory_iterator(result, ec)) {
      if (FoldCase(entry.path().filename().string()) == want) {
        found = entry.path();
        break;
      }
    }
    result = found;
  }
  return result;
}

bool FileSystem::Exists(std::string_view cp932) const {
  std::error_code ec;
  return fs::is_regular_file(Resolve(cp932), ec);
}

bool FileSystem::ReadAll(std::string_view cp932, std::string& out, std::string& error) const {
  fs::path path = Resolve(cp932);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = std::strerror(errno);
    return false;
  }
  std::ostringstream buffer;
  buffer << in.rdbuf();
  if (in.bad()) {
    error = "read error";
    return false;
  }
  out = buffer.str();
  return true;
}

bool FileSystem::WriteAtomic(std::string_view cp932, std::string_view bytes, std::string& error) const {
  fs::path target = Resolve(cp932);
  fs::path temp = target;
  temp += ".tmp-" + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  bool ok = true;
  while (ok && left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = std::strerror(errno);
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

}  // namespace nurumo
