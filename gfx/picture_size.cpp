#include "gfx/picture_size.h"

#include "core/text.h"

namespace nurumo {

namespace {

uint32_t Le(std::string_view bytes, std::size_t at, int n) {
  uint32_t v = 0;
  for (int i = 0; i < n; ++i) v |= uint32_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
  return v;
}

constexpr uint32_t kCoreHeader = 12;  // the old OS/2 header: 16-bit sides, no compression
constexpr uint32_t kInfoHeader = 40;  // and every later one, which begins the same way
constexpr uint32_t kUncompressed = 0, kBitFields = 3, kAlphaBitFields = 6;

}  // namespace

bool PictureTooLarge(int64_t width, int64_t height) {
  return width > kMaxPictureSide || height > kMaxPictureSide;
}

uint64_t PictureBytes(int64_t width, int64_t height) {
  return static_cast<uint64_t>(width < 0 ? -width : width) * static_cast<uint64_t>(height < 0 ? -height : height) * 3;
}

bool BmpHeaderCut(std::string_view header) {
  if (header.size() < 2 || header.substr(0, 2) != "BM") return false;
  if (header.size() < 18) return true;
  const uint32_t header_size = Le(header, 14, 4);
  return header.size() < (header_size == kCoreHeader ? 26u : 34u);
}

std::optional<PictureClaim> BmpClaim(std::string_view header) {
  if (header.size() < 2 || header.substr(0, 2) != "BM" || BmpHeaderCut(header)) return std::nullopt;
  const uint32_t header_size = Le(header, 14, 4);
  int64_t width = 0, height = 0;
  if (header_size == kCoreHeader) {
    width = Le(header, 18, 2);
    height = Le(header, 20, 2);
  } else if (header_size >= kInfoHeader) {
    width = static_cast<int32_t>(Le(header, 18, 4));
    height = static_cast<int32_t>(Le(header, 22, 4));
  } else {
    return std::nullopt;
  }
  return PictureClaim{width < 0 ? -width : width, height < 0 ? -height : height};
}

std::optional<PictureClaim> OversizedBmp(std::string_view header, uint64_t file_size) {
  if (header.size() < 26 || header.substr(0, 2) != "BM") return std::nullopt;
  const uint32_t pixels_at = Le(header, 10, 4);
  const uint32_t header_size = Le(header, 14, 4);
  int64_t width = 0, height = 0;
  uint32_t bits = 0, compression = kUncompressed;
  if (header_size == kCoreHeader) {
    width = Le(header, 18, 2);
    height = Le(header, 20, 2);
    bits = Le(header, 24, 2);
  } else if (header_size >= kInfoHeader && header.size() >= 34) {
    width = static_cast<int32_t>(Le(header, 18, 4));
    height = static_cast<int32_t>(Le(header, 22, 4));
    bits = Le(header, 28, 2);
    compression = Le(header, 30, 4);
  } else {
    return std::nullopt;
  }
  if (height < 0) height = -height;  // rows stored top-down
  if (width < 0) width = -width;
  const PictureClaim claim{width, height};
  if (PictureTooLarge(width, height)) return claim;
  if (width == 0 || height == 0) return std::nullopt;
  if (compression != kUncompressed && compression != kBitFields && compression != kAlphaBitFields)
    return std::nullopt;  // run-length data may be any length; the side limit bounds it
  // Rows are padded to four bytes; the last one need not be.
  const uint64_t row = (static_cast<uint64_t>(width) * bits + 31) / 32 * 4;
  const uint64_t needed =
      row * static_cast<uint64_t>(height - 1) + (static_cast<uint64_t>(width) * bits + 7) / 8;
  const uint64_t start = pixels_at != 0 ? pixels_at : 14 + uint64_t{header_size};
  const uint64_t held = file_size > start ? file_size - start : 0;
  if (needed > held) return claim;
  return std::nullopt;
}

std::string PictureTooLargeText(const std::string& cp932_path, int64_t width, int64_t height) {
  return Sjis("画像が大きすぎます: ") + cp932_path + " (" + std::to_string(width) + "x" +
         std::to_string(height) + ")";
}

std::string PicturesOverBudgetText(const std::string& cp932_path, int64_t width, int64_t height) {
  return Sjis("画像が多すぎます: ") + cp932_path + " (" + std::to_string(width) + "x" + std::to_string(height) +
         Sjis("、合わせて") + std::to_string(kPictureBudget >> 20) + Sjis("MBを超えます)");
}

}  // namespace nurumo
