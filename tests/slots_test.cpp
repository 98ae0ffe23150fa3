// Slot files as files: the game folder's identity, older slots, and the
// bounds on what a slot can make the game hold.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "core/serializer.h"
#include "platform/files.h"
#include "shell/slots.h"
#include "shell/snapshot.h"
#include "support.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

TEST(SlotIdentity, NamesSizesAndBothEndsOfEveryFileTellGameFoldersApart) {
  testing::TempDir a, b;
  const std::string big(300000, 'p');
  for (testing::TempDir* dir : {&a, &b}) {
    dir->Write("dat/x.bmp", "pixels");
    dir->Write("dat/big.bmp", big);
  }
  const uint32_t same = ContentIdentity(a.path());
  EXPECT_EQ(ContentIdentity(b.path()), same);
  struct Change {
    const char* what;
    const char* file;
    std::string bytes;
  };
  for (const Change& c : {Change{"a byte of a small file", "dat/x.bmp", "pixelz"},
                          Change{"a size", "dat/x.bmp", "pixel"},
                          Change{"the start of a large file", "dat/big.bmp", "q" + big.substr(1)},
                          Change{"the end of a large file", "dat/big.bmp", big.substr(1) + "q"},
                          Change{"an added file", "dat/y.wav", ""}}) {
    SCOPED_TRACE(c.what);
    testing::TempDir changed;
    changed.Write("dat/x.bmp", "pixels");
    changed.Write("dat/big.bmp", big);
    changed.Write(c.file, c.bytes);
    EXPECT_NE(ContentIdentity(changed.path()), same);
  }
  // A sparse file of gigabytes is read at its two ends only (it took seconds
  // when every byte was read).
  fs::resize_file(a.path() / "dat/big.bmp", uint64_t{4} << 30);
  EXPECT_NE(ContentIdentity(a.path()), same);
  EXPECT_EQ(WholeContentIdentity(a.path()), std::nullopt) << "too large to be read whole";
}

// A slot saved before the identity was made cheap carries the identity of
// every byte: it still loads.
TEST(SlotIdentity, ASlotWithTheOlderIdentityStillLoads) {
  testing::TempDir dir;
  dir.Write("dat/x.bmp", std::string(300000, 'p'));  // read whole then, at its ends now
  const std::optional<uint32_t> whole = WholeContentIdentity(dir.path());
  ASSERT_TRUE(whole);
  ASSERT_NE(*whole, ContentIdentity(dir.path()));
  dir.Write("slots/quick.slot", EncodeSlotFile(SlotSummary{}, "state", kSnapshotVersion, *whole));
  dir.Write("slots/1.slot", EncodeSlotFile(SlotSummary{}, "state", kSnapshotVersion, *whole + 1));
  FileSystem files(dir.path());
  SlotStore store(files);
  EXPECT_EQ(store.Read("quick").problem, SlotProblem::None);
  EXPECT_EQ(store.Read("quick").state, "state");
  EXPECT_EQ(store.Read("1").problem, SlotProblem::OtherGame);
}

// A slot whose check sum is good but whose state claims more than any game
// makes is refused before the state is inflated: here the packed stream is
// no stream at all, and the answer is still "too large", not "damaged".
TEST(SlotBounds, AStateLargerThanAnyGameMakesIsRefusedUninflated) {
  testing::TempDir dir;
  dir.Write("dat/x.bmp", "pixels");
  const uint32_t identity = ContentIdentity(dir.path());
  Serializer s = Serializer::Writer(kSnapshotVersion);
  char magic[8] = {'N', 'U', 'R', 'U', 'M', 'O', 'S', 'L'};
  s.SyncBytes(magic, sizeof magic);
  uint32_t version = kSnapshotVersion;
  uint32_t id = identity;
  s.Sync(version);
  s.Sync(id);
  SlotSummary summary;
  s.Sync(summary.saved_at);
  s.Sync(summary.level);
  s.Sync(summary.node);
  SyncInts(s, summary.params);
  s.Sync(summary.caption_cp932, 4096);
  s.Sync(summary.where_cp932, 4096);
  s.Sync(summary.play_ms, 2);
  s.Sync(summary.thumbnail, 1u << 20, 2);
  uint32_t raw_size = 62u << 20;
  std::string packed = "not a zlib stream";
  s.Sync(raw_size);
  s.Sync(packed, 1u << 20);
  std::string bytes = s.bytes();
  const auto crc = static_cast<uint32_t>(
      crc32(crc32(0, nullptr, 0), reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
  testing::PutLe(bytes, crc, 4);
  const SlotFile file = DecodeSlotFile(bytes, identity);
  EXPECT_EQ(file.problem, SlotProblem::TooLarge);
  EXPECT_TRUE(file.state.empty());
  EXPECT_THROW(EncodeSlotFile(summary, std::string(9u << 20, 'x'), kSnapshotVersion, identity), SerializeError)
      << "nor is one written";
}

}  // namespace
}  // namespace nurumo
