// A small PNG reader for the tests that look at rendered pictures: 8-bit
// RGB or RGBA, not interlaced, every row filter (0..4); zlib inflates.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

struct PngImage {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgba;  // 4 bytes a pixel, rows top down
  std::string error;               // empty when the image was read

  struct Pixel {
    int r = 0, g = 0, b = 0, a = 0;
  };
  // The pixel at (x, y); transparent black outside the image.
  Pixel At(long x, long y) const {
    if (x < 0 || y < 0 || x >= static_cast<long>(width) || y >= static_cast<long>(height)) {
      return {};
    }
    const std::size_t at = (static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 4;
    return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
  }
};

namespace png_detail {

inline std::uint32_t Big32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

inline int Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace png_detail

// Decodes the bytes of a PNG file.
inline PngImage DecodePng(std::string_view file) {
  using png_detail::Big32;
  PngImage img;
  if (file.size() < 8 || file.substr(0, 8) != std::string_view("\x89PNG\r\n\x1a\n", 8)) {
    img.error = "not a PNG file";
    return img;
  }
  int channels = 0;
  std::string idat;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t len = Big32(file, at);
    if (at + 12 + len > file.size()) break;
    const std::string_view type = file.substr(at + 4, 4);
    const std::string_view data = file.substr(at + 8, len);
    if (type == "IHDR" && len >= 13) {
      img.width = Big32(data, 0);
      img.height = Big32(data, 4);
      const int depth = static_cast<unsigned char>(data[8]);
      const int colour = static_cast<unsigned char>(data[9]);
      const int interlace = static_cast<unsigned char>(data[12]);
      channels = colour == 6 ? 4 : colour == 2 ? 3 : 0;
      if (depth != 8 || channels == 0 || interlace != 0) {
        img.error = "only 8-bit RGB or RGBA, not interlaced";
        return img;
      }
    } else if (type == "IDAT") {
      idat.append(data);
    }
    at += 12 + len;
  }
  if (channels == 0 || img.width == 0 || img.height == 0) {
    img.error = "no image header";
    return img;
  }
  const std::size_t stride = static_cast<std::size_t>(img.width) * channels;
  std::vector<std::uint8_t> raw((stride + 1) * img.height);
  uLongf rawSize = static_cast<uLongf>(raw.size());
  if (uncompress(raw.data(), &rawSize, reinterpret_cast<const Bytef*>(idat.data()),
                 static_cast<uLong>(idat.size())) != Z_OK ||
      rawSize != raw.size()) {
    img.error = "image data does not inflate to its size";
    return img;
  }
  // Undo each row's filter against the row above (zero above the first).
  std::vector<std::uint8_t> prev(stride, 0), row(stride);
  img.rgba.resize(static_cast<std::size_t>(img.width) * img.height * 4);
  for (std::uint32_t y = 0; y < img.height; ++y) {
    const std::uint8_t* in = &raw[y * (stride + 1)];
    const int filter = in[0];
    for (std::size_t i = 0; i < stride; ++i) {
      const int a = i >= static_cast<std::size_t>(channels) ? row[i - channels] : 0;
      const int b = prev[i];
      const int c = i >= static_cast<std::size_t>(channels) ? prev[i - channels] : 0;
      int predictor = 0;
      switch (filter) {
        case 0: predictor = 0; break;
        case 1: predictor = a; break;
        case 2: predictor = b; break;
        case 3: predictor = (a + b) / 2; break;
        case 4: predictor = png_detail::Paeth(a, b, c); break;
        default: img.error = "unknown row filter"; return img;
      }
      row[i] = static_cast<std::uint8_t>(in[1 + i] + predictor);
    }
    for (std::uint32_t x = 0; x < img.width; ++x) {
      std::uint8_t* out = &img.rgba[(static_cast<std::size_t>(y) * img.width + x) * 4];
      const std::uint8_t* px = &row[static_cast<std::size_t>(x) * channels];
      out[0] = px[0];
      out[1] = px[1];
      out[2] = px[2];
      out[3] = channels == 4 ? px[3] : 255;
    }
    prev.swap(row);
  }
  return img;
}
