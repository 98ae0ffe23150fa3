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
#include <functional>
#include <iostream>
#include <set>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/audio_midi_file.h"
#include "platform/devices.h"
#include "platform/files.h"
#include "platform/rendered_music.h"
#include "platform/sdl/sdl_events.h"
#include "platform/system.h"

namespace nurumo {

namespace {

// The game's sounds are all 22.05 kHz, and FluidSynth synthesises at the
// device's rate: at 22.05 kHz music costs about 40 % less processor time
// than at 44.1 kHz and the effects lose nothing.
constexpr int kFrequency = 22050;
constexpr int kChunkSamples = 1024;  // about 46 ms: sound effects still start at once; half the wake-ups
constexpr int kSoundChannel = 0;     // the one sound-effect channel
constexpr std::size_t kLargestMusicFile = std::size_t{64} << 20;  // read whole into memory

bool IsFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// Runs on the audio thread: it only posts an event for the game's thread.
void SDLCALL OnMusicFinished() { PostMusicNotify(); }

// The audio device and the mixer, shared by the music and the sound device.
// While nothing plays the device is closed, so that SDL's audio thread does
// not wake dozens of times a second to mix silence; the next sound or piece
// opens it again before it starts, so nothing of its beginning is lost, and
// a device opened or closed in silence makes no click.
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
    open_ = true;
    if (midi_ && (Mix_Init(MIX_INIT_MID) & MIX_INIT_MID) == 0) {
      Say(std::string("no MIDI synthesizer (") + Mix_GetError() + "); music is silent");
      midi_ = false;
    }
    MusicNotifyEventType();  // registered here, before the audio thread can ask for it
    Mix_HookMusicFinished(OnMusicFinished);
  }
  ~Mixer() {
    if (open_) {
      Mix_HookMusicFinished(nullptr);
      Mix_CloseAudio();
    }
    if (audio_) Mix_Quit();
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // One per process, alive while a device holds it: SDL has one audio device.
  static std::shared_ptr<Mixer> Shared() {
    std::shared_ptr<Mixer> mixer = Registry().lock();
    if (!mixer) {
      mixer = std::make_shared<Mixer>();
      Registry() = mixer;
    }
    return mixer;
  }
  static std::shared_ptr<Mixer> Current() { return Registry().lock(); }

  bool audio() const { return audio_; }
  bool midi() const { return midi_; }
  bool open() const { return open_; }

  // The device open again, with the volumes and the end hook it had; false
  // when it cannot be had (told once), and then the sound stays silent.
  bool Wake() {
    if (!audio_) return false;
    if (open_) return true;
    if (Mix_OpenAudio(kFrequency, AUDIO_S16SYS, 2, kChunkSamples) != 0) {
      Say(std::string("cannot open the audio device again (") + Mix_GetError() + ")");
      return false;
    }
    open_ = true;
    Mix_HookMusicFinished(OnMusicFinished);
    Mix_VolumeMusic(music_volume_);
    Mix_Volume(kSoundChannel, sound_volume_);
    return true;
  }

  // Closes the device if nothing plays; what the devices loaded for it is
  // let go first (they keep what they need to load it again).
  void Rest() {
    if (!open_ || Mix_Playing(-1) > 0 || Mix_PlayingMusic()) return;
    for (const auto& [owner, drop] : droppers_) drop();
    Mix_HookMusicFinished(nullptr);
    Mix_CloseAudio();
    open_ = false;
  }

  void AddDropper(const void* owner, std::function<void()> drop) { droppers_.emplace_back(owner, std::move(drop)); }
  void RemoveDropper(const void* owner) {
    std::erase_if(droppers_, [owner](const auto& d) { return d.first == owner; });
  }

  void SetMusicVolume(int volume) {
    music_volume_ = volume;
    if (open_) Mix_VolumeMusic(volume);
  }
  void SetSoundVolume(int volume) {
    sound_volume_ = volume;
    if (open_) Mix_Volume(kSoundChannel, volume);
  }

  // Each cause is told once, however often it recurs.
  void Say(const std::string& utf8_line) {
    if (said_.insert(utf8_line).second) std::cerr << "nurumo: " << utf8_line << '\n';
  }

 private:
  static std::weak_ptr<Mixer>& Registry() {
    static std::weak_ptr<Mixer> shared;
    return shared;
  }

  bool subsystem_ = false;
  bool audio_ = false;  // a device could be opened
  bool midi_ = false;
  bool open_ = false;  // the device is open now
  int music_volume_ = MIX_MAX_VOLUME;
  int sound_volume_ = MIX_MAX_VOLUME;
  std::vector<std::pair<const void*, std::function<void()>>> droppers_;
  std::set<std::string> said_;
};

class SdlMusic : public MusicDevice {
 public:
  SdlMusic() : mixer_(Mixer::Shared()) {
    mixer_->AddDropper(this, [this] { Unload(); });
  }
  ~SdlMusic() override {
    Close();
    mixer_->RemoveDropper(this);
  }

  bool Open(const std::filesystem::path& file) override {
    Close();
    const std::filesystem::path rendered = RenderedMusic(file);  // where the machine plays MIDI rendered ahead
    if (rendered.empty() && !mixer_->midi()) return false;  // silence, already told why
    std::string reason;
    if (Read(rendered.empty() ? file : rendered, reason) && mixer_->Wake()) music_ = Make(reason);
    if (music_) {
      opened_ = true;
      return true;
    }
    bytes_.clear();
    if (!reason.empty()) mixer_->Say("cannot play " + Utf8Of(file) + " (" + reason + ")");
    return false;
  }
  void Play() override {
    if (opened_ && !(music_ && Mix_PlayingMusic())) Start();
  }
  void PlayFromStart() override {
    if (opened_) Start();
  }
  std::string Mode() override {
    if (!opened_) return "";
    return music_ && Mix_PlayingMusic() ? "playing" : "stopped";
  }
  void Close() override {
    if (!opened_) return;
    if (music_) Mix_HaltMusic();
    Unload();
    opened_ = false;
    bytes_.clear();
  }
  // A looping piece is looped by the synthesizer itself: restarting it after
  // the end notification would leave the seconds FluidSynth takes to let
  // every voice die away before it says the music has ended.
  void SetLoopHint(bool loop) override { loop_ = loop; }
  void SetVolume(int tenths) override {
    if (mixer_->audio()) mixer_->SetMusicVolume(std::clamp(tenths, 0, 10) * MIX_MAX_VOLUME / 10);  // kept for later pieces too
  }

 private:
  // Into memory: a MIDI file is checked and, where it is sloppy, repaired
  // first (the file on disk stays as it is); one inside a RIFF wrapper is
  // taken out of it for the synthesizer.
  bool Read(const std::filesystem::path& file, std::string& reason) {
    uint64_t size = 0;
    std::string error;
    if (!ReadFileHead(file, kLargestMusicFile + 1, bytes_, size, error)) {  // one more byte tells a larger file
      reason = "cannot read the file";
      return false;
    }
    if (bytes_.size() > kLargestMusicFile) {
      reason = "too large";
      return false;
    }
    midi_ = UnwrapRmid(bytes_).starts_with("MThd");
    if (midi_ || IsMidiName(file)) {
      RepairedMidi checked = RepairMidi(bytes_);
      if (!checked.problem.empty()) {
        reason = checked.problem;
        return false;
      }
      bytes_ = std::move(checked.smf);
    }
    return true;
  }

  // The synthesizer's piece, from the bytes in memory.
  Mix_Music* Make(std::string& reason) {
    SDL_RWops* source = SDL_RWFromConstMem(bytes_.data(), static_cast<int>(bytes_.size()));
    Mix_Music* music =
        source ? midi_ ? Mix_LoadMUSType_RW(source, MUS_MID, 1) : Mix_LoadMUS_RW(source, 1) : nullptr;
    if (!music) reason = Mix_GetError();
    return music;
  }

  void Unload() {
    if (music_) Mix_FreeMusic(music_);
    music_ = nullptr;
  }

  void Start() {
    if (!mixer_->Wake()) return;
    std::string reason;
    if (!music_) music_ = Make(reason);  // let go while the device rested
    if (!music_) {
      mixer_->Say("cannot play music (" + reason + ")");
      return;
    }
    if (Mix_PlayMusic(music_, loop_ ? -1 : 1) != 0)
      mixer_->Say(std::string("cannot play music (") + Mix_GetError() + ")");
  }

  std::shared_ptr<Mixer> mixer_;
  Mix_Music* music_ = nullptr;  // null while the device rests, the piece still open
  bool opened_ = false;         // a piece is open: bytes_ hold it
  bool midi_ = false;
  std::string bytes_;  // what the music plays from, kept while it is open
  bool loop_ = false;
};

class SdlSound : public SoundDevice {
 public:
  SdlSound() : mixer_(Mixer::Shared()) {
    mixer_->AddDropper(this, [this] { Free(); });
  }
  ~SdlSound() override {
    Stop();
    mixer_->RemoveDropper(this);
  }

  // A missing or unreadable file plays nothing and says nothing; a pipe under
  // its name is not waited on. The chunk keeps its own decoded copy.
  void Play(const std::filesystem::path& file, bool loop) override {
    Stop();
    if (!mixer_->audio()) return;
    std::string bytes, error;
    if (!ReadWholeFile(file, bytes, error)) return;
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!source) return;
    if (mixer_->Wake()) chunk_ = Mix_LoadWAV_RW(source, 0);  // SDL2_mixer 2.6 forgets to close a source it cannot decode
    SDL_RWclose(source);
    if (chunk_) Mix_PlayChannel(kSoundChannel, chunk_, loop ? -1 : 0);
  }
  void SetVolume(int tenths) override {
    if (mixer_->audio()) mixer_->SetSoundVolume(std::clamp(tenths, 0, 10) * MIX_MAX_VOLUME / 10);
  }
  void Stop() override {
    if (mixer_->open()) Mix_HaltChannel(kSoundChannel);  // before the chunk is freed
    Free();
  }

 private:
  void Free() {
    if (chunk_) Mix_FreeChunk(chunk_);
    chunk_ = nullptr;
  }

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

void RestIdleAudio() {
  if (std::shared_ptr<Mixer> mixer = Mixer::Current()) mixer->Rest();
}

}  // namespace nurumo
