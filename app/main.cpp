// The program entry: the command line, then one run of the game.
#include <iostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  nurumo::Options options;
  std::string error;
  if (!nurumo::ParseOptions(args, options, error)) {
    std::cerr << "nurumo: " << error << '\n';
    return 2;
  }
  return nurumo::RunGame(options, std::cout, std::cerr);
}
