// The program entry: the command line, then one run of the game.
#include <iostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  nurumo::PrepareProcess();
  std::vector<std::string> args = nurumo::ProgramArguments(argc, argv);
  nurumo::Options options;
  std::string error;
  if (!nurumo::ParseOptions(args, options, error)) {
    std::cerr << "nurumo: " << error << '\n';
    return 2;
  }
  return nurumo::RunGame(options, std::cout, std::cerr);
}
