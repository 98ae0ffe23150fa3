// The size a picture file claims, read from its header before any decoder
// sees it, and the limit the game holds every picture to. A header is only
// a claim: a few bytes can ask a decoder for gigabytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace nurumo {

// Wider or taller than this is refused: far beyond what a 416 x 256 game
// shows, and it bounds a picture to 48 MB of pixels.
inline constexpr int64_t kMaxPictureSide = 4096;

// The bytes of a BMP file's header that the check below reads.
inline constexpr std::size_t kBmpHeaderBytes = 54;

struct PictureClaim {
  int64_t width = 0;
  int64_t height = 0;
};

bool PictureTooLarge(int64_t width, int64_t height);

// What all the pictures the game holds at once may take together (24-bit
// pixels): the bundled game needs a few megabytes; the picture that would
// pass it is refused. Counted as each picture is loaded, from its claim.
inline constexpr uint64_t kPictureBudget = uint64_t{64} << 20;

// The bytes a picture of this size takes as a 24-bit surface.
uint64_t PictureBytes(int64_t width, int64_t height);

// A BMP header ("BM") too short to say the picture's size: no decoder is
// to guess it.
bool BmpHeaderCut(std::string_view header);

// The size a BMP header claims, sides made positive; nullopt when the
// header is cut or no BMP header at all.
std::optional<PictureClaim> BmpClaim(std::string_view header);

// The size a BMP claims when the game must refuse it: a side above the limit,
// or more pixel data than a file of `file_size` bytes holds. nullopt when
// the claim is acceptable, or when the header is no BMP header at all (the
// decoder then says what is wrong).
std::optional<PictureClaim> OversizedBmp(std::string_view header, uint64_t file_size);

// The error box's text (CP932): "画像が大きすぎます: dat\ending.jpg (20000x20000)".
std::string PictureTooLargeText(const std::string& cp932_path, int64_t width, int64_t height);
// "画像が多すぎます: dat\nuru07.bmp (4096x4096、合わせて64MBを超えます)".
std::string PicturesOverBudgetText(const std::string& cp932_path, int64_t width, int64_t height);

}  // namespace nurumo
