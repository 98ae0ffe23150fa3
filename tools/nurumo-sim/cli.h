// The command line of nurumo-sim.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace nurumo::sim {

std::string SimUsage();

// Parses the arguments, plays the games and prints the tables. 0 on
// success, 2 for a bad command line or an unreadable route.
int RunSim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace nurumo::sim
