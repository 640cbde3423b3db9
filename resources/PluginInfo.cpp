// The host's property list and scripting terminology, in the host interface's published layouts:
// little-endian words, four-character codes as 32-bit words (so their bytes read reversed),
// length-prefixed strings.
#include <string>

#include "resources/ParameterTable.h"
#include "resources/detail/Tables.h"

namespace resources::detail {
namespace {

constexpr DWORD Code(const char (&text)[5]) {
  return DWORD(BYTE(text[0])) << 24 | DWORD(BYTE(text[1])) << 16 | DWORD(BYTE(text[2])) << 8 | BYTE(text[3]);
}

class Writer {
 public:
  Writer& Word(int value) { return Bytes(value, 2); }
  Writer& Long(DWORD value) { return Bytes(value, 4); }
  Writer& Byte(int value) { return Bytes(value, 1); }
  Writer& Pascal(const std::string& text) {
    Byte(static_cast<int>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  Writer& Text(const std::string& text) {
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return Byte(0);
  }
  Writer& Align(std::size_t unit) {
    while (bytes_.size() % unit) bytes_.push_back(0);
    return *this;
  }
  Writer& Append(const std::vector<BYTE>& more) {
    bytes_.insert(bytes_.end(), more.begin(), more.end());
    return *this;
  }
  std::vector<BYTE>& bytes() { return bytes_; }

 private:
  Writer& Bytes(DWORD value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<BYTE>(value >> (8 * i)));
    return *this;
  }
  std::vector<BYTE> bytes_;
};

const DWORD kSuite = Code("sdK1");
constexpr int kResourceId = 16000;

// Each property: vendor, key, id 0, the data's length, the data padded to four bytes.
void Property(Writer& list, const char (&key)[5], Writer data) {
  list.Long(Code("8BIM")).Long(Code(key)).Long(0).Long(static_cast<DWORD>(data.bytes().size()));
  list.Append(data.Align(4).bytes());
}

}  // namespace

const std::vector<BYTE>& PropertyList() {
  static const std::vector<BYTE> list = [] {
    Writer pipl;
    pipl.Word(1).Long(0).Long(9);  // the resource's signature word, version 0, nine properties
    Property(pipl, "kind", Writer().Long(Code("8BFM")));
    Property(pipl, "name", Writer().Pascal("Wendle Forge..."));
    Property(pipl, "catg", Writer().Pascal("Veltra Moor"));
    Property(pipl, "vers", Writer().Long(4u << 16));
    Property(pipl, "wx86", Writer().Text("ENTRYPOINT"));
    Property(pipl, "hstm", Writer().Long(0).Long(kSuite).Long(kSuite).Word(kResourceId).Text(""));
    Property(pipl, "mode", Writer().Word(0x4000 | 0x1000));  // grey scale and RGB
    Property(pipl, "enbl",
             Writer().Text("in (PSHOP_ImageMode, GrayScaleMode, RGBMode,Gray16Mode,RGB48Mode)"));
    Writer cases;
    for (int flags : {0x07, 0x0F, 0x0F, 0x07, 0x0F, 0x07, 0x0F}) cases.Byte(1).Byte(1).Byte(flags).Byte(0);
    Property(pipl, "fici", cases);
    return pipl.bytes();
  }();
  return list;
}

const std::vector<BYTE>& Terminology() {
  static const std::vector<BYTE> aete = [] {
    Writer w;
    w.Byte(1).Byte(0).Word(0).Word(0).Word(1);  // version 1.0, English, Roman script, one suite
    w.Pascal("Veltra Moor").Pascal("Veltramoor Wendle Forge").Align(2).Long(kSuite).Word(1).Word(1).Word(1);
    w.Pascal("Veltra Moor Wendle Forge").Pascal("Wendle Forge").Align(2).Long(kSuite).Long(kSuite);
    w.Long(Code("null")).Pascal("").Align(2).Word(0);       // reply
    w.Long(Code("#ImR")).Pascal("").Align(2).Word(0xB000);  // direct parameter
    w.Word(kParameterCount);
    for (int row : kDescriptorReadOrder) {
      const ParameterRow& p = kParameterTable[row];
      w.Pascal(p.scriptingName).Align(2).Long(p.key).Long(DescriptorTypeOf(p.kind));
      w.Pascal(p.scriptingDescription ? p.scriptingDescription : p.scriptingName).Align(2).Word(0);
    }
    w.Word(0).Word(0).Word(0);  // no classes, comparison operators or enumerations
    return w.bytes();
  }();
  return aete;
}

}  // namespace resources::detail
