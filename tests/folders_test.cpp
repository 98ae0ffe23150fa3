// Where the game folder is found, and where the player's files go.
#include "app/folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support.h"

namespace nurumo {
namespace {

namespace fs = std::filesystem;

// A scratch tree: a working folder, a program installed under prefix/games,
// and a build tree; dat/ folders are made where a case asks for them.
struct Tree {
  testing::TempDir temp;
  fs::path root = temp.path();
  fs::path here = root / "here";
  fs::path program = root / "prefix" / "games";
  fs::path games_share = root / "prefix" / "share" / "games" / "nurumo";
  fs::path plain_share = root / "prefix" / "share" / "nurumo";
  fs::path build = root / "build";

  Tree() {
    for (const fs::path& dir : {here, program, build}) fs::create_directories(dir);
  }
  void Dat(const fs::path& dir, const std::string& name = "dat") const { fs::create_directories(dir / name); }
  GameDirSearch Search(const fs::path& program_dir) const { return {std::nullopt, here, program_dir, build}; }
};

TEST(GameDir, TheFirstFolderHoldingDatWins) {
  struct Case {
    const char* what;
    std::vector<fs::path Tree::*> dats;
    fs::path Tree::*program_dir;
    fs::path expected;  // relative to the tree's root
    bool installed;
  };
  const std::vector<Case> cases = {
      {"working folder first", {&Tree::here, &Tree::program, &Tree::games_share}, &Tree::program, "here", false},
      {"beside the program", {&Tree::program, &Tree::games_share}, &Tree::program, "prefix/games", false},
      {"installed, games layout", {&Tree::games_share, &Tree::plain_share}, &Tree::program,
       "prefix/share/games/nurumo", true},
      {"installed, plain layout", {&Tree::plain_share}, &Tree::program, "prefix/share/nurumo", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Tree tree;
    for (auto dir : c.dats) tree.Dat(tree.*dir);
    GameFolder found;
    std::string error;
    ASSERT_TRUE(ChooseGameDir(tree.Search(tree.*c.program_dir), found, error)) << error;
    EXPECT_EQ(found.dir, tree.root / c.expected);
    EXPECT_EQ(found.installed, c.installed);
  }
}

TEST(GameDir, TheBuildTreeServesOnlyTheProgramBuiltThere) {
  Tree tree;
  tree.Dat(tree.build / "game");
  GameFolder found;
  std::string error;
  ASSERT_TRUE(ChooseGameDir(tree.Search(tree.build), found, error)) << error;
  EXPECT_EQ(found.dir, tree.build / "game");
  EXPECT_FALSE(found.installed);

  // An installed copy of that program: every folder it tried is named, the
  // build tree is not among them.
  EXPECT_FALSE(ChooseGameDir(tree.Search(tree.program), found, error));
  EXPECT_EQ(error, "no game data (a dat folder) found; looked in '" + tree.here.string() + "', '" +
                       tree.program.string() + "', '" + tree.games_share.string() + "', '" +
                       tree.plain_share.string() + "' (see --game-dir)");
}

TEST(GameDir, AGivenFolderIsTakenOnlyWithItsDat) {
  Tree tree;
  tree.Dat(tree.here);
  GameDirSearch search = tree.Search(tree.program);
  search.given = tree.root / "mine";
  fs::create_directories(*search.given);
  GameFolder found;
  std::string error;
  EXPECT_FALSE(ChooseGameDir(search, found, error));  // not the working folder instead
  EXPECT_EQ(error, "no game data (a dat folder) in the game folder '" + search.given->string() + "'");

  tree.Dat(*search.given, "DAT");  // as a folder copied from the game's home platform may be named
  ASSERT_TRUE(ChooseGameDir(search, found, error)) << error;
  EXPECT_EQ(found.dir, *search.given);
  EXPECT_FALSE(found.installed);
}

TEST(DataDir, AnInstalledGameIsNeverWrittenInto) {
  Tree tree;
  testing::ScopedEnv home(testing::kUserDataVariable, tree.root / "xdg");
  EXPECT_EQ(ChooseDataDir({tree.here, false}), tree.here);  // writable, copied or built: its own folder
  EXPECT_EQ(ChooseDataDir({tree.games_share, true}), tree.root / "xdg" / "nurumo");
  EXPECT_TRUE(fs::is_directory(tree.root / "xdg" / "nurumo"));
}

}  // namespace
}  // namespace nurumo
