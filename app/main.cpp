// The program entry: the command line, then one run of the game.
#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "app/options.h"
#include "app/run.h"

int main(int argc, char** argv) {
  // Past a file-size limit (ulimit -f) a write is to fail with EFBIG, so the
  // save reports FAILURE as on a full disk, instead of the signal ending the
  // game with the temporary file left behind.
  std::signal(SIGXFSZ, SIG_IGN);
  // A reader of the trace that goes away (`--trace - | head -1`) must not end
  // the game: the failed write says so, and the game goes on untraced.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::string> args(argv + 1, argv + argc);
  nurumo::Options options;
  std::string error;
  if (!nurumo::ParseOptions(args, options, error)) {
    std::cerr << "nurumo: " << error << '\n';
    return 2;
  }
  return nurumo::RunGame(options, std::cout, std::cerr);
}
