// File formats written by the generator: BMP, JPEG (libjpeg), WAV, and the
// plain file helpers.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "gen.h"

#include <jpeglib.h>  // after <cstdio>: it needs size_t and FILE

namespace nurumo::gen {

namespace {

void PutLe(Bytes& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

}  // namespace

Bytes ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ContentError("cannot read " + path.string());
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    Bytes old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (old == bytes) return;
  }
  std::filesystem::path temp = path;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw ContentError("cannot write " + temp.string());
  }
  std::filesystem::rename(temp, path);
}

// BITMAPFILEHEADER + BITMAPINFOHEADER, 24 bits, rows bottom-up, each row
// padded to a multiple of four bytes.
Bytes EncodeBmp24(const Surface& picture) {
  const uint32_t stride = (static_cast<uint32_t>(picture.width) * 3 + 3) & ~3u;
  const uint32_t image_size = stride * static_cast<uint32_t>(picture.height);
  Bytes out;
  out.reserve(54 + image_size);
  out += "BM";
  PutLe(out, 54 + image_size, 4);
  PutLe(out, 0, 4);   // reserved
  PutLe(out, 54, 4);  // offset of the pixels
  PutLe(out, 40, 4);  // BITMAPINFOHEADER
  PutLe(out, static_cast<uint32_t>(picture.width), 4);
  PutLe(out, static_cast<uint32_t>(picture.height), 4);  // positive: bottom-up
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);  // BI_RGB
  PutLe(out, image_size, 4);
  PutLe(out, 3780, 4);  // 96 dots per inch
  PutLe(out, 3780, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = picture.height - 1; y >= 0; --y) {
    const uint8_t* row = picture.Row(y);
    out.append(reinterpret_cast<const char*>(row), static_cast<std::size_t>(picture.width) * 3);
    out.append(stride - static_cast<uint32_t>(picture.width) * 3, '\0');
  }
  return out;
}

Bytes EncodeJpeg(const Surface& picture, int quality) {
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(picture.width);
  info.image_height = static_cast<JDIMENSION>(picture.height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<uint8_t> rgb(static_cast<std::size_t>(picture.width) * 3);
  while (info.next_scanline < info.image_height) {
    const uint8_t* row = picture.Row(static_cast<int>(info.next_scanline));
    for (int x = 0; x < picture.width; ++x) {  // our surfaces are blue, green, red
      rgb[static_cast<std::size_t>(x) * 3] = row[x * 3 + 2];
      rgb[static_cast<std::size_t>(x) * 3 + 1] = row[x * 3 + 1];
      rgb[static_cast<std::size_t>(x) * 3 + 2] = row[x * 3];
    }
    JSAMPROW rows[1] = {rgb.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  Bytes out(reinterpret_cast<const char*>(buffer), size);
  std::free(buffer);
  return out;
}

Bytes EncodeWav16(const std::vector<double>& samples, int rate) {
  const uint32_t data_size = static_cast<uint32_t>(samples.size() * 2);
  Bytes out;
  out += "RIFF";
  PutLe(out, 36 + data_size, 4);
  out += "WAVEfmt ";
  PutLe(out, 16, 4);
  PutLe(out, 1, 2);  // PCM
  PutLe(out, 1, 2);  // mono
  PutLe(out, static_cast<uint32_t>(rate), 4);
  PutLe(out, static_cast<uint32_t>(rate) * 2, 4);
  PutLe(out, 2, 2);
  PutLe(out, 16, 2);
  out += "data";
  PutLe(out, data_size, 4);
  for (double s : samples) {
    long v = std::lround(std::clamp(s, -1.0, 1.0) * 32767.0);
    PutLe(out, static_cast<uint32_t>(static_cast<int16_t>(v)) & 0xFFFF, 2);
  }
  return out;
}

}  // namespace nurumo::gen
