// nurumo-script: encode, decode and check the script files of the game.
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "lint.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "script/codec.h"

namespace {

constexpr int kClean = 0;
constexpr int kProblems = 1;
constexpr int kUsage = 2;

const char* const kUsageText =
    "usage: nurumo-script encode [--crlf] IN.txt OUT.dat   UTF-8 text -> scrambled CP932 script\n"
    "       nurumo-script decode IN.dat OUT.txt            scrambled script -> UTF-8 text\n"
    "       nurumo-script lint GAMEDIR                     check every script the game can reach\n"
    "       nurumo-script --version                        print the version\n";

bool ReadFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  out = buffer.str();
  return !in.bad();
}

bool WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

int Convert(bool encode, bool crlf, const std::string& in_path, const std::string& out_path) {
  std::string in, out, error;
  if (!ReadFile(in_path, in)) {
    std::cerr << in_path << ": cannot be read\n";
    return kProblems;
  }
  bool ok = encode ? nurumo::EncodeScriptText(in, out, error,
                                              crlf ? nurumo::LineEnds::CrLf : nurumo::LineEnds::Keep)
                   : nurumo::DecodeScriptText(in, out, error);
  if (!ok) {
    std::cerr << in_path << ":" << error << "\n";
    return kProblems;
  }
  if (!WriteFile(out_path, out)) {
    std::cerr << out_path << ": cannot be written\n";
    return kProblems;
  }
  return kClean;
}

int Lint(const std::filesystem::path& game_dir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(nurumo::FileSystem(game_dir).Resolve("dat"), ec)) {  // DAT is as good as dat
    std::cerr << "nurumo-script: " << nurumo::Utf8Of(game_dir) << " holds no dat folder\n" << kUsageText;
    return kUsage;
  }
  std::unique_ptr<nurumo::TextRasterizer> text;
  try {
    text = nurumo::MakeTtfTextRasterizer(nurumo::kDefaultTextRendering);
  } catch (const std::exception& e) {
    std::cerr << "nurumo-script: page widths not checked: " << e.what() << "\n";
  }
  std::vector<nurumo::LintProblem> problems = nurumo::LintGame(game_dir, text.get());
  for (const nurumo::LintProblem& problem : problems) std::cout << nurumo::FormatProblem(problem) << "\n";
  return problems.empty() ? kClean : kProblems;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::cout << kUsageText;
    return kClean;
  }
  if (args.size() == 1 && args[0] == "--version") {
    std::cout << "nurumo-script " NURUMO_VERSION "\n";
    return kClean;
  }
  bool crlf = args.size() == 4 && args[0] == "encode" && args[1] == "--crlf";
  if (crlf) args.erase(args.begin() + 1);
  if (args.size() == 3 && (args[0] == "encode" || args[0] == "decode"))
    return Convert(args[0] == "encode", crlf, args[1], args[2]);
  if (args.size() == 2 && args[0] == "lint") return Lint(args[1]);
  std::cerr << kUsageText;
  return kUsage;
}
