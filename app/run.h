// One run of the game from a parsed command line: the window (or none), the
// start-up, the pump until the end, the shutdown.
#pragma once

#include <ostream>

#include "app/options.h"

namespace nurumo {

// The exit status: 0 for a normal end, 2 for bad usage (an unreadable or
// malformed replay, a trace file that cannot be written), 1 when no window
// can be had. `out` receives --help and "--trace -"; `err` the reasons.
int RunGame(const Options& options, std::ostream& out, std::ostream& err);

}  // namespace nurumo
