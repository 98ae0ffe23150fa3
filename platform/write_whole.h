// Writing a file whole or not at all, whatever else runs at the same time:
// another game on the same folder, a kill halfway, a full disk. The steps
// are the machine's own; each kind of machine has its form of this one
// function beside the others of the platform layer.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace nurumo {

// The bytes go to a temporary file of this write's own, created exclusively
// beside the target (`<name>.tmp-XXXXXX`), are flushed to the disk and then
// renamed over the target, so a reader sees the old file or the new one and
// never a part. A target that exists lends the new file its permission bits.
// No name another writer may hold is ever removed. False with a reason
// (UTF-8) on any failure; the old file then stands as it was and this
// write's temporary file is gone.
bool WriteFileWhole(const std::filesystem::path& target, std::string_view bytes, std::string& error);

// How old a leftover temporary file of a writer that died must be before a
// later write of the same target removes it: no write takes this long.
inline constexpr int kLeftoverMinutes = 10;

// Remove the temporary files beside `target` that writes of it left behind
// when they were cut short, and only those older than kLeftoverMinutes.
void RemoveOldLeftovers(const std::filesystem::path& target);

}  // namespace nurumo
