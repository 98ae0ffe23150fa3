// The file layer: files written whole or not at all, whatever else writes
// and reads the same name at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "support.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

// Two writers of one file (two games saving the same slot) and a reader:
// every write succeeds, every read sees one version whole, and no
// temporary file is left.
TEST(WriteAtomic, TwoWritersAndAReaderNeverSeeAPart) {
  testing::TempDir dir;
  const FileSystem files(dir.path());
  const std::vector<std::string> versions = {std::string(200000, 'a'), std::string(90000, 'b')};
  std::atomic<int> failed_writes{0}, torn_reads{0}, reads{0};
  std::atomic<bool> writing{true};
  std::mutex first_error_lock;
  std::string first_error;
  auto writer = [&](const std::string& bytes) {
    for (int i = 0; i < 150; ++i) {
      std::string error;
      if (!files.WriteAtomic("slot", bytes, error)) {
        ++failed_writes;
        std::lock_guard<std::mutex> lock(first_error_lock);
        if (first_error.empty()) first_error = error;
      }
    }
  };
  std::thread reader([&] {
    while (writing) {
      std::string bytes, error;
      uint64_t size = 0;
      // A short breath between reads, as any reader takes: a reader that
      // never lets go would hold off Windows' replacing move for good.
      std::this_thread::sleep_for(std::chrono::microseconds(200));
      if (!ReadFileHead(dir.path() / "slot", 1 << 20, bytes, size, error)) continue;  // not there yet
      ++reads;
      if (bytes != versions[0] && bytes != versions[1]) ++torn_reads;
    }
  });
  std::thread first(writer, versions[0]);
  std::thread second(writer, versions[1]);
  first.join();
  second.join();
  writing = false;
  reader.join();
  EXPECT_EQ(failed_writes, 0) << "the first: " << first_error;
  EXPECT_EQ(torn_reads, 0) << "of " << reads;
  EXPECT_GT(reads, 0);
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("slot.tmp")) << entry.path();
}

TEST(WriteAtomic, AFailedWriteLeavesTheOldFileAndNoTemporary) {
  if (!testing::kHasFileSizeLimit) GTEST_SKIP() << testing::kNoFileSizeLimit;
  testing::TempDir dir;
  const FileSystem files(dir.path());
  std::string error;
  ASSERT_TRUE(files.WriteAtomic("kept", "the old contents", error));
  {
    testing::FileSizeLimit full(4);
    EXPECT_FALSE(files.WriteAtomic("kept", "contents too long to be written", error));
  }
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(dir.Read("kept"), "the old contents");
  for (const auto& entry : fs::directory_iterator(dir.path()))
    EXPECT_FALSE(entry.path().filename().string().starts_with("kept.tmp")) << entry.path();
}

}  // namespace
}  // namespace nurumo
