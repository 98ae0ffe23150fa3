// BMP files through SDL's loader, turned into 24-bit surfaces; PNG writing
// for snapshots and screenshots. Shared by both platforms.
#pragma once

#include <filesystem>
#include <string>

#include "core/surface.h"

namespace nurumo {

bool LoadBmpWithSdl(const std::filesystem::path& file, Surface& out, std::string& error);
bool SavePngWithSdl(const Surface& surface, const std::filesystem::path& file, std::string& error);

}  // namespace nurumo
