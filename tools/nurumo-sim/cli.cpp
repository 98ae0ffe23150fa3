#include "cli.h"

#include <charconv>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>

#include "route.h"
#include "game/planner.h"
#include "sim.h"

namespace nurumo::sim {

namespace {

bool ParseInt(const std::string& text, int64_t lo, int64_t hi, int64_t& out) {
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return !text.empty() && error == std::errc() && end == text.data() + text.size() && out >= lo && out <= hi;
}

// "30,25,20,15,10": five moods 1..100.
bool ParseMoods(const std::string& text, std::array<int32_t, 5>& moods) {
  std::istringstream in(text);
  std::string part;
  std::size_t i = 0;
  while (std::getline(in, part, ',')) {
    int64_t v = 0;
    if (i >= moods.size() || !ParseInt(part, 1, 100, v)) return false;
    moods[i++] = static_cast<int32_t>(v);
  }
  return i == moods.size();
}

class PlanPolicy final : public Policy {
 public:
  int32_t Choose(const PlayerData& player, const Move& move) override {
    return planner_.Choose(player, move);
  }

 private:
  Planner planner_;
};

struct Command {
  Settings settings;
  std::string route = NURUMO_SOURCE_DIR "/content/README.md";
  std::vector<std::string> policies = {"random", "hints", "plan"};
  bool help = false;
};

bool Parse(const std::vector<std::string>& args, Command& command, std::string& error) {
  Settings& s = command.settings;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      command.help = true;
      continue;
    }
    if (i + 1 >= args.size()) {
      error =
          name.starts_with("--") ? "option " + name + " needs a value" : "unknown argument '" + name + "'";
      return false;
    }
    const std::string& value = args[++i];
    int64_t n = 0;
    if (name == "--route") {
      command.route = value;
    } else if (name == "--policy") {
      if (value == "all")
        command.policies = {"random", "hints", "plan"};
      else if (value == "random" || value == "hints" || value == "plan")
        command.policies = {value};
      else {
        error = "unknown policy '" + value + "' (random, hints, plan or all)";
        return false;
      }
    } else if (name == "--games" && ParseInt(value, 1, 10000000, n)) {
      s.games = static_cast<int32_t>(n);
    } else if (name == "--seed" && ParseInt(value, 0, UINT32_MAX, n)) {
      s.seed = static_cast<uint32_t>(n);
    } else if (name == "--cap" && ParseInt(value, 1, 100000000, n)) {
      s.cap = static_cast<int32_t>(n);
    } else if (name == "--node" && ParseInt(value, 0, kPlaceCount - 1, n)) {
      s.start.node = static_cast<int32_t>(n);
    } else if (name == "--level" && ParseInt(value, 1, 5, n)) {
      s.start.level = static_cast<int32_t>(n);
    } else if (name == "--moods" && ParseMoods(value, s.start.moods)) {
    } else if (name == "--show" && ParseInt(value, 0, 10000000, n)) {
      s.show = static_cast<int32_t>(n);
    } else if (name == "--games" || name == "--seed" || name == "--cap" || name == "--level" ||
               name == "--moods" || name == "--node" || name == "--show") {
      error = "option " + name + " does not take '" + value + "' (see --help)";
      return false;
    } else {
      error = "unknown option '" + name + "' (see --help)";
      return false;
    }
  }
  return true;
}

std::unique_ptr<Policy> MakePolicy(const std::string& name, const Command& command, std::string& error) {
  if (name == "plan") return std::make_unique<PlanPolicy>();
  if (name == "random") return std::make_unique<RandomPolicy>(command.settings.seed ^ 0x9E3779B9u);
  std::ifstream in(command.route, std::ios::binary);
  if (!in) {
    error = "cannot read the routes from " + command.route;
    return nullptr;
  }
  std::stringstream text;
  text << in.rdbuf();
  Routes routes;
  if (!ParseRoutes(text.str(), routes, error)) {
    error = command.route + ": " + error;
    return nullptr;
  }
  return std::make_unique<HintsPolicy>(std::move(routes));
}

}  // namespace

std::string SimUsage() {
  return "usage: nurumo-sim [options]\n"
         "  --policy P     random, hints, plan or all (default: all)\n"
         "  --games N      games per policy (default: 500; plan takes about 35 ms a game)\n"
         "  --seed N       game i draws from seed N + i (default: 1)\n"
         "  --level L      the level the games start at, 1..5 (default: 1)\n"
         "  --moods A,B,C,D,E  the five moods at the start, 1..100 (default: 30,25,20,15,10)\n"
         "  --node N       the place the games start at (default: 0)\n"
         "  --cap N        moves after which a game counts as stuck (default: 5000)\n"
         "  --show N       print every move of game N (0 is the first)\n"
         "  --route FILE   where the hints policy reads its routes (default: content/README.md)\n"
         "  --help         print this text\n";
}

int RunSim(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Command command;
  std::string error;
  if (!Parse(args, command, error)) {
    err << "nurumo-sim: " << error << '\n';
    return 2;
  }
  if (command.help) {
    out << SimUsage();
    return 0;
  }
  bool first = true;
  for (const std::string& name : command.policies) {
    std::unique_ptr<Policy> policy = MakePolicy(name, command, error);
    if (!policy) {
      err << "nurumo-sim: " << error << '\n';
      return 2;
    }
    if (!first) out << '\n';
    first = false;
    const Summary summary = Simulate(command.settings, *policy, &out);
    PrintSummary(out, name, command.settings, summary);
  }
  return 0;
}

}  // namespace nurumo::sim
