// nurumo-sim: plays many games on the game's own rules and prints, per
// level, the share of games reaching and passing it and the moves it took.
#include <iostream>
#include <string>
#include <vector>

#include "cli.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return nurumo::sim::RunSim(args, std::cout, std::cerr);
}
