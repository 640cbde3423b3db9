#include "host/PluginInfo.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace wfhost {
namespace {

constexpr std::uint64_t kLargestModule = 1ull << 31;

std::string FourCharacters(std::uint32_t code) {
  std::string text(4, ' ');
  for (int i = 0; i < 4; ++i) text[i] = static_cast<char>(code >> (24 - 8 * i));
  return text;
}

std::uint32_t LittleWord(const unsigned char* data) {
  return std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
         std::uint32_t(data[3]) << 24;
}

// Reads little-endian words of the property list with bounds checks.
class Reader {
 public:
  Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  bool Has(std::size_t count) const {
    return position_ <= bytes_.size() && count <= bytes_.size() - position_;
  }
  std::uint32_t Word(int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) value |= std::uint32_t(bytes_[position_ + i]) << (8 * i);
    position_ += count;
    return value;
  }
  std::size_t position_ = 0;
  const std::vector<unsigned char>& bytes_;
};

bool ReadSection(const std::string& path, std::vector<unsigned char>* section, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return *error = "cannot be opened", false;
  file.seekg(0, std::ios::end);
  const std::uint64_t size = static_cast<std::uint64_t>(file.tellg());
  if (size < sizeof(Elf64_Ehdr) || size > kLargestModule) return *error = "is not a module", false;
  std::vector<unsigned char> bytes(size);
  file.seekg(0);
  file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size));
  Elf64_Ehdr header;
  std::memcpy(&header, bytes.data(), sizeof header);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64 ||
      header.e_shentsize != sizeof(Elf64_Shdr))
    return *error = "is not a module", false;
  const std::uint64_t tableEnd = header.e_shoff + std::uint64_t{header.e_shnum} * sizeof(Elf64_Shdr);
  if (header.e_shoff > size || tableEnd > size || header.e_shstrndx >= header.e_shnum)
    return *error = "is not a module", false;
  auto sectionAt = [&](int index) {
    Elf64_Shdr s;
    std::memcpy(&s, bytes.data() + header.e_shoff + std::uint64_t(index) * sizeof s, sizeof s);
    return s;
  };
  const Elf64_Shdr names = sectionAt(header.e_shstrndx);
  if (names.sh_offset > size || names.sh_size > size - names.sh_offset)
    return *error = "is not a module", false;
  for (int i = 0; i < header.e_shnum; ++i) {
    const Elf64_Shdr s = sectionAt(i);
    if (s.sh_name >= names.sh_size) continue;
    const char* name = reinterpret_cast<const char*>(bytes.data() + names.sh_offset + s.sh_name);
    const std::size_t room = names.sh_size - s.sh_name;
    if (strnlen(name, room) == room || std::strcmp(name, ".pipl") != 0) continue;
    if (s.sh_offset > size || s.sh_size > size - s.sh_offset) break;
    section->assign(bytes.begin() + s.sh_offset, bytes.begin() + s.sh_offset + s.sh_size);
    return true;
  }
  return *error = "has no property list", false;
}

}  // namespace

bool ReadPluginInfo(const std::string& path, PluginInfo* info, std::string* error) {
  std::vector<unsigned char> list;
  if (!ReadSection(path, &list, error)) return false;
  Reader in(list);
  if (!in.Has(10)) return *error = "has a malformed property list", false;
  in.Word(2);
  in.Word(4);
  const std::uint32_t count = in.Word(4);
  *info = PluginInfo{};
  info->path = path;
  for (std::uint32_t p = 0; p < count; ++p) {
    if (!in.Has(16)) return *error = "has a malformed property list", false;
    in.Word(4);  // vendor
    const std::string key = FourCharacters(in.Word(4));
    in.Word(4);
    const std::uint32_t length = in.Word(4);
    const std::size_t padded = (std::size_t(length) + 3) / 4 * 4;
    if (!in.Has(padded)) return *error = "has a malformed property list", false;
    const unsigned char* data = list.data() + in.position_;
    auto pascal = [&] {
      return length > 0 ? std::string(data + 1, data + 1 + std::min<std::size_t>(data[0], length - 1)) : "";
    };
    auto text = [&] {
      return std::string(data, data + strnlen(reinterpret_cast<const char*>(data), length));
    };
    if (key == "kind" && length >= 4)
      info->kind = FourCharacters(LittleWord(data));
    else if (key == "name")
      info->name = pascal();
    else if (key == "catg")
      info->category = pascal();
    else if (key == "wx86")
      info->entryPoint = text();
    else if (key == "mode" && length >= 2)
      info->modes = static_cast<std::uint16_t>(data[0] | data[1] << 8);
    else if (key == "enbl")
      info->enabling = text();
    in.position_ += padded;
  }
  if (info->entryPoint.empty()) return *error = "names no entry point", false;
  return true;
}

std::vector<PluginInfo> FindPlugins(const std::string& folder) {
  std::vector<PluginInfo> found;
  std::error_code failed;
  for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
    if (entry.path().extension() != ".8bf") continue;
    PluginInfo info;
    std::string error;
    if (ReadPluginInfo(entry.path().string(), &info, &error)) found.push_back(info);
  }
  std::sort(found.begin(), found.end(),
            [](const PluginInfo& a, const PluginInfo& b) { return a.path < b.path; });
  return found;
}

}  // namespace wfhost
