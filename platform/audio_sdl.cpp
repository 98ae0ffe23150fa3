// Music and sound effects through SDL2_mixer; MIDI through its FluidSynth
// backend and an installed General MIDI soundfont, or on Windows through
// the system's own synthesizer (SDL2_mixer's native MIDI). Whatever is missing (the
// audio device, the soundfont, a readable file) the game plays on in silence
// and one line on standard error says why.
#include "platform/audio_sdl.h"

#include <algorithm>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <set>
#include <system_error>

#include "platform/audio_midi_file.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/sdl/sdl_events.h"
#include "platform/system.h"

namespace nurumo {

namespace {

constexpr int kFrequency = 44100;
constexpr int kChunkSamples = 1024;  // about 23 ms: small enough for sound effects to start at once
constexpr int kSoundChannel = 0;     // the one sound-effect channel
constexpr std::size_t kLargestMusicFile = std::size_t{64} << 20;  // read whole into memory

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Runs on the audio thread: it only posts an event for the game's thread.
void SDLCALL OnMusicFinished() { PostMusicNotify(); }

// The audio device and the mixer, shared by the music and the sound device.
class Mixer {
 public:
  Mixer() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      Say(std::string("no audio device (") + SDL_GetError() + "); playing in silence");
      return;
    }
    subsystem_ = true;
    if (MidiNeedsSoundFont()) {
      std::string problem;
      std::string fonts = FindSoundFonts(std::getenv("SDL_SOUNDFONTS"), kInstalledSoundFonts, problem);
      if (!problem.empty()) Say(problem);
      if (!fonts.empty()) midi_ = Mix_SetSoundFonts(fonts.c_str()) != 0;  // before the device opens
    } else {
      midi_ = true;  // the machine's own synthesizer
    }
    if (Mix_OpenAudio(kFrequency, AUDIO_S16SYS, 2, kChunkSamples) != 0) {
      Say(std::string("no audio device (") + Mix_GetError() + "); playing in silence");
      midi_ = false;
      return;
    }
    audio_ = true;
    if (midi_ && (Mix_Init(MIX_INIT_MID) & MIX_INIT_MID) == 0) {
      Say(std::string("no MIDI synthesizer (") + Mix_GetError() + "); music is silent");
      midi_ = false;
    }
    MusicNotifyEventType();  // registered here, before the audio thread can ask for it
    Mix_HookMusicFinished(OnMusicFinished);
  }
  ~Mixer() {
    if (audio_) {
      Mix_HookMusicFinished(nullptr);
      Mix_CloseAudio();
      Mix_Quit();
    }
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // One per process, alive while a device holds it: SDL has one audio device.
  static std::shared_ptr<Mixer> Shared() {
    static std::weak_ptr<Mixer> shared;
    std::shared_ptr<Mixer> mixer = shared.lock();
    if (!mixer) {
      mixer = std::make_shared<Mixer>();
      shared = mixer;
    }
    return mixer;
  }

  bool audio() const { return audio_; }
  bool midi() const { return midi_; }

  // Each cause is told once, however often it recurs.
  void Say(const std::string& utf8_line) {
    if (said_.insert(utf8_line).second) std::cerr << "nurumo: " << utf8_line << '\n';
  }

 private:
  bool subsystem_ = false;
  bool audio_ = false;
  bool midi_ = false;
  std::set<std::string> said_;
};

class SdlMusic : public MusicDevice {
 public:
  SdlMusic() : mixer_(Mixer::Shared()) {}
  ~SdlMusic() override { Close(); }

  bool Open(const std::filesystem::path& file) override {
    Close();
    if (!mixer_->midi()) return false;  // silence, already told why
    std::string reason;
    music_ = Load(file, reason);
    if (music_) return true;
    bytes_.clear();
    mixer_->Say("cannot play " + Utf8Of(file) + " (" + reason + ")");
    return false;
  }
  void Play() override {
    if (music_ && !Mix_PlayingMusic()) Start();
  }
  void PlayFromStart() override {
    if (music_) Start();
  }
  std::string Mode() override {
    if (!music_) return "";
    return Mix_PlayingMusic() ? "playing" : "stopped";
  }
  void Close() override {
    if (!music_) return;
    Mix_HaltMusic();
    Mix_FreeMusic(music_);
    music_ = nullptr;
    bytes_.clear();
  }
  // A looping piece is looped by the synthesizer itself: restarting it after
  // the end notification would leave the seconds FluidSynth takes to let
  // every voice die away before it says the music has ended.
  void SetLoopHint(bool loop) override { loop_ = loop; }
  void SetVolume(int tenths) override {
    if (mixer_->audio()) Mix_VolumeMusic(std::clamp(tenths, 0, 10) * MIX_MAX_VOLUME / 10);  // kept for later pieces too
  }

 private:
  // From memory: a MIDI file is checked and, where it is sloppy, repaired
  // first (the file on disk stays as it is); one inside a RIFF wrapper is
  // taken out of it for the synthesizer.
  Mix_Music* Load(const std::filesystem::path& file, std::string& reason) {
    uint64_t size = 0;
    std::string error;
    if (!ReadFileHead(file, kLargestMusicFile + 1, bytes_, size, error)) {  // one more byte tells a larger file
      reason = "cannot read the file";
      return nullptr;
    }
    if (bytes_.size() > kLargestMusicFile) {
      reason = "too large";
      return nullptr;
    }
    bool midi = UnwrapRmid(bytes_).starts_with("MThd");
    if (midi || IsMidiName(file)) {
      RepairedMidi checked = RepairMidi(bytes_);
      if (!checked.problem.empty()) {
        reason = checked.problem;
        return nullptr;
      }
      bytes_ = std::move(checked.smf);
    }
    SDL_RWops* source = SDL_RWFromConstMem(bytes_.data(), static_cast<int>(bytes_.size()));
    Mix_Music* music =
        source ? midi ? Mix_LoadMUSType_RW(source, MUS_MID, 1) : Mix_LoadMUS_RW(source, 1) : nullptr;
    if (!music) reason = Mix_GetError();
    return music;
  }

  void Start() {
    if (Mix_PlayMusic(music_, loop_ ? -1 : 1) != 0)
      mixer_->Say(std::string("cannot play music (") + Mix_GetError() + ")");
  }

  std::shared_ptr<Mixer> mixer_;
  Mix_Music* music_ = nullptr;
  std::string bytes_;  // what the music plays from, kept while it plays
  bool loop_ = false;
};

class SdlSound : public SoundDevice {
 public:
  SdlSound() : mixer_(Mixer::Shared()) {}
  ~SdlSound() override { Stop(); }

  // A missing or unreadable file plays nothing and says nothing.
  void Play(const std::filesystem::path& file, bool loop) override {
    Stop();
    if (!mixer_->audio()) return;
    SDL_RWops* source = SDL_RWFromFile(Utf8Of(file).c_str(), "rb");
    if (!source) return;
    chunk_ = Mix_LoadWAV_RW(source, 0);  // SDL2_mixer 2.6 forgets to close a source it cannot decode
    SDL_RWclose(source);
    if (chunk_) Mix_PlayChannel(kSoundChannel, chunk_, loop ? -1 : 0);
  }
  void SetVolume(int tenths) override {
    if (mixer_->audio()) Mix_Volume(kSoundChannel, std::clamp(tenths, 0, 10) * MIX_MAX_VOLUME / 10);
  }
  void Stop() override {
    if (mixer_->audio()) Mix_HaltChannel(kSoundChannel);  // before the chunk is freed
    if (chunk_) Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
  }

 private:
  std::shared_ptr<Mixer> mixer_;
  Mix_Chunk* chunk_ = nullptr;
};

}  // namespace

std::string FindSoundFonts(const char* env, std::span<const std::string_view> installed,
                           std::string& problem) {
  problem.clear();
  std::string found;
  if (env && *env) {
    std::string_view list = env;
    while (!list.empty()) {
      std::size_t end = list.find(';');
      std::string path(list.substr(0, end));
      if (!path.empty() && IsFile(path)) found += (found.empty() ? "" : ";") + path;
      list.remove_prefix(end == std::string_view::npos ? list.size() : end + 1);
    }
    if (!found.empty()) return found;
    problem = std::string("SDL_SOUNDFONTS names no soundfont that exists (") + env + ")";
  }
  for (std::string_view path : installed) {
    if (IsFile(std::string(path))) {
      if (!problem.empty()) problem += "; using " + std::string(path);
      return std::string(path);
    }
  }
  if (!problem.empty()) problem += "; ";
  problem += "no General MIDI soundfont installed (timgm6mb-soundfont); music is silent";
  return "";
}

std::unique_ptr<MusicDevice> MakeSdlMusicDevice() { return std::make_unique<SdlMusic>(); }
std::unique_ptr<SoundDevice> MakeSdlSoundDevice() { return std::make_unique<SdlSound>(); }

}  // namespace nurumo
