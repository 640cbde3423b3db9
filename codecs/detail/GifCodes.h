// The GIF file below the image object: its bytes in memory, the frames its blocks describe and
// the LZW codes of one frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace gif {

// LZW codes are at most twelve bits.
constexpr int kMaxCodes = 4096;
constexpr int kMaxCodeBits = 12;

// The whole file in memory: a GIF is read block by block and every length inside it is checked
// against what is there.
struct Bytes {
  std::vector<unsigned char> data;
  std::size_t pos = 0;

  int Get() { return pos < data.size() ? data[pos++] : -1; }
  bool Take(unsigned char* out, std::size_t n);
  void Skip(std::size_t n);
  // Sub-blocks up to the zero length.
  void SkipBlocks();
};

// What one image descriptor and the graphic control before it say. Colour tables stay in the
// file's bytes: a file of many small frames costs no copy of its table per frame.
struct Frame {
  unsigned left = 0, top = 0, width = 0, height = 0;
  bool interlaced = false;
  std::size_t table = 0;  // offset of the colour table
  unsigned entries = 0;
  bool localTable = false;
  long transparent = -1;
  int transparentByte = 0;  // the control's index byte, whether or not its flag is set
  int disposal = 0;
  unsigned delay = 0;
  std::size_t data = 0;  // offset of the code size byte
};

// One decoded row of a frame: its row in the frame (interlacing undone) and its indices.
using RowSink = std::function<void(unsigned row, const unsigned char* indices)>;

// Decodes a frame's codes row by row. Data that ends early or turns corrupt ends the codes there
// and the rest of the frame is index 0. False where the file ended before the frame was whole.
bool DecodeCodes(Bytes& in, const Frame& frame, const RowSink& sink);

}  // namespace gif
