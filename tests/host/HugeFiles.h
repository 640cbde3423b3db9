// Pictures of sizes no decoder should take, a few kilobytes on disk: a PNG whose rows are all
// zero (as many as asked, the rest missing) and a deflated TIFF whose strips all point at one.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace wf_host_test {

using Bytes = std::vector<unsigned char>;

inline void PutBigEndian(Bytes& to, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) to.push_back(static_cast<unsigned char>(value >> shift));
}

inline void PutLittleEndian(Bytes& to, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) to.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

// Rows of zeros, each behind its filter byte, deflated.
inline Bytes DeflatedZeroRows(std::size_t rowBytes, std::uint32_t rows, bool filterBytes) {
  Bytes deflated;
  z_stream z{};
  deflateInit(&z, 9);
  Bytes row(rowBytes + (filterBytes ? 1 : 0), 0), out(1 << 16);
  for (std::uint32_t y = 0; y <= rows; ++y) {
    z.next_in = row.data();
    z.avail_in = y < rows ? static_cast<uInt>(row.size()) : 0;
    do {
      z.next_out = out.data();
      z.avail_out = static_cast<uInt>(out.size());
      deflate(&z, y < rows ? Z_NO_FLUSH : Z_FINISH);
      deflated.insert(deflated.end(), out.data(), out.data() + (out.size() - z.avail_out));
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return deflated;
}

// `depth` bits a sample, `channels` 1 (grey) or 3 (RGB); `rows` of the height written.
inline void WritePng(const std::string& path, std::uint32_t width, std::uint32_t height, int depth,
                     int channels, std::uint32_t rows) {
  std::ofstream file(path, std::ios::binary);
  auto chunk = [&](const char* type, const Bytes& data) {
    Bytes head;
    PutBigEndian(head, static_cast<std::uint32_t>(data.size()));
    head.insert(head.end(), type, type + 4);
    file.write(reinterpret_cast<const char*>(head.data()), 8);
    file.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));  // null restarts it
    Bytes sum;
    PutBigEndian(sum, static_cast<std::uint32_t>(crc));
    file.write(reinterpret_cast<const char*>(sum.data()), 4);
  };
  file.write("\x89PNG\r\n\x1a\n", 8);
  Bytes header;
  PutBigEndian(header, width);
  PutBigEndian(header, height);
  header.insert(header.end(), {static_cast<unsigned char>(depth),
                               static_cast<unsigned char>(channels == 1 ? 0 : 2), 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", DeflatedZeroRows(std::size_t(width) * channels * (depth / 8), rows, true));
  chunk("IEND", {});
}

// 16-bit RGB, deflated, in strips of `stripRows` rows that all point at the one block of zeros.
inline void WriteSharedStripTiff(const std::string& path, std::uint32_t width, std::uint32_t height,
                                 std::uint32_t stripRows) {
  const Bytes block = DeflatedZeroRows(std::size_t(width) * 6 * stripRows, 1, false);
  const std::uint32_t strips = (height + stripRows - 1) / stripRows;
  struct Entry {
    std::uint16_t tag, type;
    std::uint32_t count, value;
  };
  const std::uint32_t ifd = 8, entries = 10, afterIfd = ifd + 2 + 12 * entries + 4;
  const std::uint32_t bits = afterIfd, offsets = bits + 6, counts = offsets + 4 * strips,
                      data = counts + 4 * strips;
  const Entry table[entries] = {
      {256, 4, 1, width}, {257, 4, 1, height},    {258, 3, 3, bits},
      {259, 3, 1, 8},     {262, 3, 1, 2},         {273, 4, strips, offsets},
      {277, 3, 1, 3},     {278, 4, 1, stripRows}, {279, 4, strips, counts},
      {284, 3, 1, 1},
  };
  Bytes file{'I', 'I', 42, 0};
  PutLittleEndian(file, ifd, 4);
  PutLittleEndian(file, entries, 2);
  for (const Entry& e : table) {
    PutLittleEndian(file, e.tag, 2);
    PutLittleEndian(file, e.type, 2);
    PutLittleEndian(file, e.count, 4);
    PutLittleEndian(file, e.value, 4);
  }
  PutLittleEndian(file, 0, 4);
  for (int i = 0; i < 3; ++i) PutLittleEndian(file, 16, 2);
  for (std::uint32_t i = 0; i < strips; ++i) PutLittleEndian(file, data, 4);
  for (std::uint32_t i = 0; i < strips; ++i)
    PutLittleEndian(file, static_cast<std::uint32_t>(block.size()), 4);
  file.insert(file.end(), block.begin(), block.end());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
}

}  // namespace wf_host_test
