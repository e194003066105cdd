#pragma once
// CRC-32 (IEEE) of a byte range, for record checksums.

#include <cstddef>
#include <cstdint>

namespace lw::engine {

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t length) {
  static const auto table = [] {
    struct Table {
      std::uint32_t entries[256];
    } t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
      std::uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t.entries[i] = c;
    }
    return t;
  }();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < length; ++i) crc = table.entries[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

}  // namespace lw::engine
