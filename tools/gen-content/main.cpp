// gen-content: builds the game folder's dat/ from content/.
//   gen-content --content DIR --out DIR/dat [--icons DIR] [--no-voices]
// --icons writes the desktop icon in the hicolor theme's layout under DIR.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <set>

#include "core/text.h"
#include "gen.h"
#include "platform/bmp_sdl.h"

extern char** environ;

namespace nurumo::gen {

namespace {

namespace fs = std::filesystem;

struct Options {
  fs::path content, out, icons;
  bool voices = true;
};

class Output {
 public:
  explicit Output(fs::path dir) : dir_(std::move(dir)) { fs::create_directories(dir_); }
  void Write(const std::string& name, std::string_view bytes) {
    if (!written_.insert(name).second) throw ContentError("two sources make dat/" + name);
    WriteFileBytes(dir_ / name, bytes);
  }
  void Keep(const std::string& name) { written_.insert(name); }
  const fs::path& dir() const { return dir_; }
  // Files of an earlier build whose source is gone.
  void RemoveStale() {
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.is_regular_file() && !written_.count(entry.path().filename().string())) {
        std::cout << "gen-content: removing stale dat/" << entry.path().filename().string() << "\n";
        fs::remove(entry.path());
      }
  }

 private:
  fs::path dir_;
  std::set<std::string> written_;
};

std::vector<fs::path> SourcesIn(const fs::path& dir, const std::string& extension) {
  std::vector<fs::path> files;
  if (fs::is_directory(dir))
    for (const auto& entry : fs::directory_iterator(dir))
      if (entry.is_regular_file() && entry.path().extension() == extension) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string Relative(const fs::path& file, const Options& options) {
  return (options.content.filename() / fs::relative(file, options.content)).string();
}

void BuildTexts(const Options& options, Output& out) {
  for (const fs::path& file : SourcesIn(options.content / "scripts", ".txt"))
    out.Write(file.stem().string() + ".dat", EncodeTextFile(ReadFileBytes(file), Relative(file, options), true));
  const fs::path sayings = options.content / "sayings.txt";
  if (fs::exists(sayings))
    out.Write("sayings.txt", EncodeTextFile(ReadFileBytes(sayings), Relative(sayings, options), false));
}

void BuildPictures(Output& out) {
  for (int n = 0; n <= 18; ++n) {
    std::string name = std::string(n < 10 ? "nuru0" : "nuru") + std::to_string(n) + ".bmp";
    out.Write(name, EncodeBmp24(MakeBackground(n)));
  }
  out.Write("cursol.bmp", EncodeBmp24(MakeCursorStrip()));
  out.Write("ending.jpg", EncodeJpeg(MakeEndingPicture(), 90));
  bool drawn = false;
  out.Write("nurumofont.bmp", EncodeBmp24(MakeLettering(&drawn)));
  if (!drawn) std::cout << "gen-content: warning: the text rasteriser drew nothing; nurumofont.bmp is blank\n";
}

void BuildSounds(Output& out) {
  for (const SoundRecipe& recipe : SoundRecipes()) out.Write(std::string(recipe.name) + ".wav", EncodeWav16(recipe.make(), kSampleRate));
}

void BuildMusic(const Options& options, Output& out) {
  for (const fs::path& file : SourcesIn(options.content / "music", ".txt")) {
    std::string name = file.stem().string() + ".mid";
    if (name.size() > 16) throw ContentError(Relative(file, options) + ": a music file's name is at most 16 bytes");
    MidiPiece piece = CompileMusic(ReadFileBytes(file), Relative(file, options));
    out.Write(name, piece.file);
  }
}

// Runs a program without a shell, its output discarded; -1 when it cannot
// be started.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);  // its chatter is not ours
  pid_t pid = 0;
  int started = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BuildVoices(const Options& options, Output& out) {
  const fs::path source = options.content / "voices.txt";
  if (!fs::exists(source)) return;
  std::vector<VoiceLine> voices = ParseVoices(ReadFileBytes(source), Relative(source, options));
  if (!options.voices || Run({"espeak-ng", "--version"}) != 0) {
    std::cout << "gen-content: espeak-ng is not available; the voices were skipped\n";
    for (const VoiceLine& v : voices) out.Keep(v.name + ".wav");  // keep voices of an earlier build
    return;
  }
  const fs::path temp = out.dir() / ".voice.part";
  for (const VoiceLine& v : voices) {
    if (Run({"espeak-ng", "-v", "ja", "-s", "140", "-w", temp.string(), v.kana}) != 0)
      throw ContentError(Relative(source, options) + ": espeak-ng failed on " + v.name);
    out.Write(v.name + ".wav", ReadFileBytes(temp));
    fs::remove(temp);
  }
}

// The sizes desktops ask for, each drawn at its size, and the scalable one.
void BuildIcons(const fs::path& dir) {
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    const std::string name = std::to_string(size) + "x" + std::to_string(size);
    const fs::path file = dir / "hicolor" / name / "apps" / "nurumo.png";
    fs::create_directories(file.parent_path());
    fs::path temp = file;
    temp += ".part";
    std::string error;
    if (!SavePngWithSdl(MakeIcon(size), temp, error)) throw ContentError("cannot write the icon: " + error);
    fs::rename(temp, file);
  }
  const fs::path svg = dir / "hicolor" / "scalable" / "apps" / "nurumo.svg";
  fs::create_directories(svg.parent_path());
  WriteFileBytes(svg, IconSvg());
}

Options ParseOptions(int argc, char** argv) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--content" && i + 1 < argc) options.content = argv[++i];
    else if (a == "--out" && i + 1 < argc) options.out = argv[++i];
    else if (a == "--icons" && i + 1 < argc) options.icons = argv[++i];
    else if (a == "--no-voices") options.voices = false;
    else throw ContentError("usage: gen-content --content DIR --out DIR [--icons DIR] [--no-voices]");
  }
  if (options.content.empty() || options.out.empty())
    throw ContentError("usage: gen-content --content DIR --out DIR [--icons DIR] [--no-voices]");
  return options;
}

int Main(int argc, char** argv) {
  try {
    Options options = ParseOptions(argc, argv);
    Output out(options.out);
    BuildTexts(options, out);
    BuildPictures(out);
    BuildSounds(out);
    BuildMusic(options, out);
    BuildVoices(options, out);
    out.RemoveStale();
    if (!options.icons.empty()) BuildIcons(options.icons);
    return 0;
  } catch (const ContentError& e) {
    std::cerr << "gen-content: error: " << e.what() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "gen-content: error: " << Cp932ToUtf8(e.what()) << "\n";
  }
  return 1;
}

}  // namespace

}  // namespace nurumo::gen

int main(int argc, char** argv) { return nurumo::gen::Main(argc, argv); }
