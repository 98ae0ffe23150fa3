// What the fuzz targets share: a scratch copy of the bundled game folder to
// put the fuzzed file into, a headless platform that decodes each bundled
// picture once per process and keeps one font, and a way to run frames.
#pragma once

#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "app/form.h"
#include "core/text.h"
#include "fuzz/outcome.h"
#include "game/game.h"
#include "platform/devices.h"
#include "platform/headless/headless_platform.h"
#include "timing/pump.h"

namespace nurumo::fuzz {

namespace fs = std::filesystem;

// A folder under the system's temporary folder whose dat/ links to every
// file of the built game; a fuzzed file replaces one link by a real file.
class ScratchGame {
 public:
  static ScratchGame& Get() {
    static ScratchGame* game = new ScratchGame();  // lives as long as the process
    return *game;
  }
  const fs::path& path() const { return path_; }

  // Write a file of the folder (UTF-8 relative path), never through a link.
  void Put(const std::string& relative, std::string_view bytes) const {
    const fs::path p = path_ / relative;
    std::error_code ec;
    fs::remove(p, ec);
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  // The fuzzer's input as that file.
  void Put(const std::string& relative, const uint8_t* data, std::size_t size) const {
    Put(relative, std::string_view(reinterpret_cast<const char*>(data), size));
  }

 private:
  ScratchGame() {
    std::string pattern = (fs::temp_directory_path() / "nurumo-fuzz-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data());
    fs::create_directories(path_ / "dat");
    for (const auto& entry : fs::directory_iterator(fs::path(NURUMO_FUZZ_GAME_DIR) / "dat"))
      fs::create_symlink(entry.path(), path_ / "dat" / entry.path().filename());
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(Get().path_, ec);
    });
  }
  fs::path path_;
};

// The headless platform, with the bundled pictures decoded once per process
// (a fuzzed picture, a file that is no link, is decoded every time) and one
// font for every game.
class FuzzPlatform : public HeadlessPlatform {
 public:
  FuzzPlatform() : HeadlessPlatform(FileSystem(ScratchGame::Get().path())) {}

  bool LoadBmp(const fs::path& file, Surface& out, std::string& error) override {
    std::error_code ec;
    if (!fs::is_symlink(file, ec)) return HeadlessPlatform::LoadBmp(file, out, error);
    static std::map<fs::path, Surface> decoded;
    auto found = decoded.find(file);
    if (found == decoded.end()) {
      Surface picture;
      if (!HeadlessPlatform::LoadBmp(file, picture, error)) return false;
      found = decoded.emplace(file, std::move(picture)).first;
    }
    out = found->second;
    return true;
  }
  // An error box is a refusal (the seed replays count it); the fuzzer
  // goes on as the game would.
  void MessageBox(const std::string& caption, const std::string& text, BoxIcon icon) override {
    if (icon == BoxIcon::Error) Refuse("an error box: " + Cp932ToUtf8(text));
    HeadlessPlatform::MessageBox(caption, text, icon);
  }
  TextRasterizer& Text() override {
    static std::unique_ptr<TextRasterizer> text = MakeTtfTextRasterizer(kDefaultTextRendering);
    return *text;
  }
};

// Frames of the pump, one a little over 100 ms after the other, a key
// pressed before each as long as `keys` has one; stops when the game ends.
inline void RunFrames(Game& game, FuzzPlatform& platform, std::string_view keys, int frames) {
  for (int i = 0; i < frames && !game.terminate; ++i) {
    if (i < static_cast<int>(keys.size()))
      platform.PushKey(static_cast<unsigned char>(keys[static_cast<std::size_t>(i)]));
    platform.SetClock(platform.Now() + 101);
    PumpPass(game, [&game](const InputEvent& event) { DispatchEvent(game, event); });
  }
}

}  // namespace nurumo::fuzz
