// Works out the careful player's tables for the game's rules and packs them:
//   nurumo-planner-tables game/planner_tables.bin
// Run it after a change to the rules or to the planner's settings;
// planner_test says when the kept pack no longer matches.
#include <cstdio>
#include <fstream>

#include "game/planner.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: nurumo-planner-tables OUTPUT\n");
    return 2;
  }
  const std::vector<unsigned char> packed = nurumo::PackMoodTables(nurumo::WorkOutMoodTables());
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(packed.data()), static_cast<std::streamsize>(packed.size()));
  out.close();
  if (packed.empty() || !out) {
    std::fprintf(stderr, "nurumo-planner-tables: could not write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes\n", argv[1], packed.size());
  return 0;
}
