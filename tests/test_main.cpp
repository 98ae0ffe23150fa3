// The main of every test program: the tests run with HOME and the XDG
// folders in a fresh empty folder of their own, removed afterwards, so that
// no test reads the player's settings (settings.ini, the voice marker) or
// leaves files in their home, and neither do the programs a test starts
// (the game, the content generator and espeak-ng under it). CTest runs each
// test in a process of its own, so each test has its own home.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  namespace fs = std::filesystem;
  const fs::path home = nurumo::testing::MakeTempFolder(fs::temp_directory_path(), "nurumo-home");
  if (home.empty()) {
    std::perror("test home");
    return 2;
  }
  nurumo::testing::SetScratchHome(home);
  const int status = RUN_ALL_TESTS();
  std::error_code ec;
  fs::remove_all(home, ec);
  return status;
}
