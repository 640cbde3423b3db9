// Metafiles put together field by field, as another program would write them.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <vector>

// Little-endian fields, as the files have them.
struct LittleEndianWriter {
  std::vector<std::uint8_t> bytes;
  LittleEndianWriter& U16(unsigned v) {
    bytes.push_back(static_cast<std::uint8_t>(v));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    return *this;
  }
  LittleEndianWriter& U32(std::uint32_t v) { return U16(v & 0xFFFF).U16(v >> 16); }
  LittleEndianWriter& Words(std::initializer_list<int> values) {
    for (int v : values) U16(static_cast<unsigned>(v) & 0xFFFF);
    return *this;
  }
  LittleEndianWriter& Longs(std::initializer_list<std::int32_t> values) {
    for (std::int32_t v : values) U32(static_cast<std::uint32_t>(v));
    return *this;
  }
};

// A Windows metafile: a record is its size in words, its function and its parameters.
struct WindowsMetafile {
  LittleEndianWriter records;
  WindowsMetafile& Record(unsigned function, std::initializer_list<int> parameters) {
    records.U32(static_cast<std::uint32_t>(3 + parameters.size())).U16(function).Words(parameters);
    return *this;
  }
  // The 22-byte placeable header, the 18-byte standard one (which tells the objects and the
  // largest record), the records and the end record.
  std::vector<std::uint8_t> Placeable(int left, int top, int right, int bottom, int unitsPerInch,
                                      unsigned objects = 4, std::uint32_t largestRecord = 16) {
    Record(0x0000, {});
    LittleEndianWriter file;
    file.U32(0x9AC6CDD7)
        .U16(0)
        .Words({left, top, right, bottom})
        .U16(static_cast<unsigned>(unitsPerInch))
        .U32(0);
    unsigned checksum = 0;
    for (std::size_t i = 0; i < 20; i += 2) checksum ^= file.bytes[i] | (file.bytes[i + 1] << 8);
    file.U16(checksum);
    std::uint32_t words = static_cast<std::uint32_t>(9 + records.bytes.size() / 2);
    file.U16(1).U16(9).U16(0x300).U32(words).U16(objects).U32(largestRecord).U16(0);
    file.bytes.insert(file.bytes.end(), records.bytes.begin(), records.bytes.end());
    return file.bytes;
  }
};
