// Measures and draws any text as markup on the fixed-metric font, so that the tag parser, the
// style rules and the table layout see every input without the platform's glyph hinting.
#include "controls/fuzz/MetricTextDevice.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::MetricDrawer page;
  const std::string text(reinterpret_cast<const char*>(data), size);
  page.drawer.SetLineBreakChars(size % 2);
  page.Render(text.c_str());
  return 0;
}
