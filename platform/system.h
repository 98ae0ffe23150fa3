// What differs from one kind of machine to another below the game: the
// command line, the program's own file, where the player's files go, local
// time, and the requests to close that come from outside the window. One
// implementation per kind of machine (platform/posix/, platform/windows/),
// chosen by the build; the rest of the program asks only through this file
// and platform/files.h.
#pragma once

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace nurumo {

// Done once at the start of main, before anything is read or written:
// on POSIX a write past a file-size limit fails with EFBIG (so a save reports
// its failure as on a full disk) instead of a signal ending the game, and a
// reader of the trace that goes away (`--trace - | head -1`) makes the write
// fail instead of ending the game (SIGPIPE ignored); on
// Windows the standard streams pass bytes unchanged (no CR added to a line's
// end) and the console shows UTF-8.
void PrepareProcess();

// The command line's arguments after the program's name, as UTF-8 (Windows
// reads them as UTF-16, so Japanese folder names survive).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// The running program's own file (its real path); empty when unknown.
std::filesystem::path ProgramFile();

// Local time; false when the time cannot be told.
bool LocalTime(std::time_t when, std::tm& out);

// Whether the player's files may be created in this folder. POSIX asks for
// write permission; Windows creates and removes a file there, since its
// answer to "may I" only sees the read-only attribute.
bool CanCreateFilesIn(const std::filesystem::path& dir);

// The player's own folder for the game's files when the game folder cannot
// hold them, not created here: $XDG_DATA_HOME/nurumo (by default
// ~/.local/share/nurumo); on Windows %APPDATA%\nurumo. None when the
// environment names no such place.
std::optional<std::filesystem::path> UserDataFolder();

// The settings file: $XDG_CONFIG_HOME/nurumo/settings.ini (by default
// ~/.config/nurumo/settings.ini); on Windows settings.ini beside save.dat in
// `data_dir`, as Windows games keep them. None when there is no such place.
std::optional<std::filesystem::path> SettingsFile(const std::filesystem::path& data_dir);

// Whether MIDI music needs a General MIDI soundfont found on the machine
// (SDL2_mixer's FluidSynth, on Linux). Windows plays MIDI through its own
// synthesizer (the MIDI mapper, SDL2_mixer's native MIDI) and needs none:
// music is never switched off there for want of a soundfont.
bool MidiNeedsSoundFont();

// Requests to close from outside a window (SIGINT, SIGTERM and SIGHUP, the
// terminal closed; on Windows
// Ctrl-C, Ctrl-Break and closing the console) call `request` until
// StopWatchingCloseRequests(); the earlier handling then comes back.
// `request` may run in a signal handler: it only sets a flag.
void WatchCloseRequests(void (*request)());
void StopWatchingCloseRequests();

// The same requests while a window is open. POSIX: SDL turns SIGINT and
// SIGTERM into a quit itself; a closed terminal (SIGHUP) is passed on as
// SIGTERM so it ends the game the same way. Windows: `request` runs on a
// thread of the console's (it may post an event), and on closing the console
// the process waits for the program to end, so the autosave is written.
// StopWatchingConsoleClose() gives back the earlier POSIX handling when the
// window goes (on Windows the console's handler stays to the end).
void WatchConsoleClose(void (*request)());
void StopWatchingConsoleClose();

}  // namespace nurumo
