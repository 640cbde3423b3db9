// CImageFileGIF: GIF files. Reads one chosen frame of an animation composed over the frames
// before it (or, for files cut into tiles with their own colour tables, the whole mosaic as true
// colour); writes palette pictures, true-colour pictures as a mosaic of small palette tiles, and
// animations with a loop count. The codec option picks the code emitter: 1 one code a pixel,
// 2 run-length, anything else LZW.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "codecs/ImageFile.h"

namespace gif {
struct Bytes;
struct Frame;
class Canvas;
}  // namespace gif

class CImageFileGIF : public CImageFile {
 public:
  CImageFileGIF() : CImageFile(keImageFormatGIF) {}

  bool Decode(CByteStream* stream);
  bool Encode(CByteStream* stream);
  // An animation of the given images; with localColourMap each later frame carries its palette.
  bool Encode(CByteStream* stream, CImageFile** images, int count, bool localColourMap);

  void SetLoops(int loops) { loops_ = loops; }
  int GetLoops() const { return loops_; }
  void SetDisposalMethod(int method) { disposal_ = method; }
  int GetDisposalMethod() const { return disposal_; }
  // At most 255 characters are kept; a null text is ignored.
  void SetComment(const char* text);
  void GetComment(char* text) const;

 private:
  bool ScanFrames(gif::Bytes& in, const gif::Frame& global, std::vector<gif::Frame>* frames);
  void ReadExtension(gif::Bytes& in, gif::Frame* control);
  bool ComposeFrame(gif::Bytes& in, const std::vector<gif::Frame>& frames, unsigned width, unsigned height);
  bool ComposeMosaic(gif::Bytes& in, const std::vector<gif::Frame>& frames, unsigned width, unsigned height);
  // False where the file ended before the frame was whole.
  static bool DrawFrame(gif::Bytes& in, const gif::Frame& frame, gif::Canvas* canvas, bool copyAll);
  bool StoreIndices(const gif::Bytes& in, const gif::Canvas& canvas, const gif::Frame& shown, unsigned width,
                    unsigned height);
  bool EncodePicture(CByteStream* stream, long disposal);
  bool EncodeRGB(CByteStream* stream);
  RGBQUAD UnusedColour();
  void EncodeHeader(CByteStream* stream);
  void EncodeLoopExtension(CByteStream* stream);
  void EncodeExtension(CByteStream* stream, long disposal);
  void EncodeComment(CByteStream* stream);
  bool EncodeBody(CByteStream* stream, bool localColourMap);

  int loops_ = 0;
  int disposal_ = 0;
  std::string comment_;
};
