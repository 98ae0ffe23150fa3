// Game paths as the game writes them ("dat\nuru00.bmp", "save.dat", CP932)
// mapped to files on this disk (UTF-8 names, the local separator). Paths
// under "dat\" are read from the game folder; every other relative path
// (save.dat, the afterword, the voice-mode marker) lives in the data folder,
// which is the game folder itself unless that cannot be written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace nurumo {

// A path from UTF-8 text, and the UTF-8 text of a path. Every path made
// from text, or shown as text, goes through these: a path's narrow form is
// UTF-8 on Linux but not on Windows.
std::filesystem::path PathOfUtf8(std::string_view utf8);
std::string Utf8Of(const std::filesystem::path& path);

// Whether this file may be written (it exists and write access is granted).
bool CanWriteFile(const std::filesystem::path& path);

// Whether a file or folder exists under exactly this name, letter case
// included: where the file system ignores case (Windows), the name found
// under another spelling does not count, so the game names files as they
// are spelt on the disk on every machine.
bool ExistsAsNamed(const std::filesystem::path& path);

// A regular file open for reading, closed when it goes. A pipe or a device
// is refused (ok() is false, with a reason): reading one could block or
// never end.
class RegularFile {
 public:
  RegularFile(const std::filesystem::path& path, std::string& error);
  ~RegularFile() { Close(); }
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;

  bool ok() const { return fd_ >= 0; }
  uint64_t size() const { return size_; }  // as the file said when it was opened

  // Appends what follows the bytes read so far to `out` until `out` holds
  // `max_bytes` or the file ends; false with a reason (UTF-8) on an error.
  bool Read(std::size_t max_bytes, std::string& out, std::string& error);
  // Reads go on from this byte of the file; false when it cannot.
  bool Seek(uint64_t offset);

 private:
  void Close();
  int fd_ = -1;
  uint64_t size_ = 0;
};

// At most the first `max_bytes` bytes of a regular file (all of a shorter
// one) and its whole size, without reading the rest; false with a reason
// (UTF-8). Ask for one byte more than a limit to tell a larger file.
bool ReadFileHead(const std::filesystem::path& path, std::size_t max_bytes, std::string& out,
                  uint64_t& file_size, std::string& error);

// The whole of a regular file of at most FileSystem::kReadLimit bytes; false
// with a reason (UTF-8) for anything else. Every file of the game is read
// through here or ReadFileHead: a pipe under a file's name cannot hold the
// game up, and no file can make it allocate without bound.
bool ReadWholeFile(const std::filesystem::path& path, std::string& out, std::string& error);

class FileSystem {
 public:
  FileSystem(std::filesystem::path game_dir, std::filesystem::path data_dir);
  explicit FileSystem(std::filesystem::path game_dir) : FileSystem(game_dir, game_dir) {}

  const std::filesystem::path& game_dir() const { return game_dir_; }
  const std::filesystem::path& data_dir() const { return data_dir_; }

  // The real path of a game path. The backslash becomes the separator, the
  // name becomes UTF-8, and where no file has exactly that name a file whose
  // name differs only in ASCII letter case is taken, as on the game's home
  // platform. A path with no such file maps to its exact-case form.
  std::filesystem::path Resolve(std::string_view cp932) const;

  bool Exists(std::string_view cp932) const;

  // The most ReadAll takes: far more than any script, picture or list of
  // the game needs, and a bound on what one file can make the game allocate.
  static constexpr std::size_t kReadLimit = std::size_t{64} << 20;

  // The whole file; false with a reason (UTF-8) when it cannot be read or
  // is larger than kReadLimit.
  bool ReadAll(std::string_view cp932, std::string& out, std::string& error) const;

  // At most the first `max_bytes` bytes of the file (all of a shorter one)
  // and the file's whole size, without reading the rest.
  bool ReadHead(std::string_view cp932, std::size_t max_bytes, std::string& out, uint64_t& file_size,
                std::string& error) const;

  // The file written whole or not at all (WriteFileWhole): another game on
  // the same folder, a kill halfway or a full disk never leaves a part of
  // it, and a failure leaves the old file as it was; false with a reason
  // (UTF-8).
  bool WriteAtomic(std::string_view cp932, std::string_view bytes, std::string& error) const;

 private:
  std::filesystem::path game_dir_;
  std::filesystem::path data_dir_;
};

}  // namespace nurumo
