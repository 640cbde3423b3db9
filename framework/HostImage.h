// The exchange of pixels with the host: the host's interleaved buffers of 8- or 16-bit samples
// become core images before the filter runs (16-bit values scaled to 8 bits), and the working
// image goes back into the host's output buffer afterwards. With a selection the work is cut to
// the selection's bounding box, and the mask is a grey view of the box in the host's buffer.
#pragma once
#include "core/RowIteratorBands.h"
#include "platform/host/PluginInterface.h"
#include "platform/win32/Types.h"

namespace framework {

class HostImage {
 public:
  HostImage() = default;
  virtual ~HostImage() = default;
  HostImage(const HostImage&) = delete;
  HostImage& operator=(const HostImage&) = delete;

  virtual corvel::CRowIteratorBands& GetSourceImage() { return source_; }
  virtual corvel::CRowIteratorBands& GetMaskImage() { return mask_; }
  virtual corvel::CRowIteratorBands& GetAuxiliaryImage() { return auxiliary_; }

  void SetRecord(host::FilterRecord* record) { record_ = record; }
  host::FilterRecord* GetRecord() const { return record_; }
  bool HasMask() const { return maskFlag_; }
  const RECT& GetFilterRect() const { return filterRect_; }

  // False without a record, for a mode and plane count the exchange does not take, or for a
  // selection that covers no pixel (the source image then stays empty).
  bool ReadHostImage();
  // False for a mode and plane count the exchange does not take, or when the working image
  // cannot be had in the host's layout; nothing is written then.
  bool WriteHostImage();
  // True while the source is a view over the host's output buffer, which the host handed as its
  // input too (8-bit grey, RGB or RGBA, no selection): a render may write over it, and no
  // copy of the image is made. The view holds the samples in the core's order until
  // WriteHostImage or GiveBackHostBuffer turns them back, unless the channels are alike.
  bool SourceIsHostOutput();
  // For a run that ends without writing: the host's buffer gets its own order back.
  void GiveBackHostBuffer();
  // For a render that treats its colour channels alike: a source that is a view over the host's
  // buffer keeps the host's order (R where the core has B), so neither the read nor the write
  // swaps them, and whatever the render makes from it holds the same order.
  void SetChannelsAlike(bool alike) { channelsAlike_ = alike; }

 private:
  host::FilterRecord* record_ = nullptr;
  corvel::CRowIteratorBands source_;
  int cropMode_ = 2;
  corvel::CRowIteratorBands mask_;
  bool maskFlag_ = false;
  corvel::CRowIteratorBands auxiliary_;
  RECT filterRect_{0, 0, 0, 0};
  // The view over the host's buffer: its first pixel, row pitch and samples a pixel.
  BYTE* sourceInHostBuffer_ = nullptr;
  std::int32_t hostRowBytes_ = 0;
  int hostSamples_ = 0;
  bool channelsAlike_ = false;
  bool swappedInHostBuffer_ = false;
};

// The box around the pixels that differ from the background (0), as (left, top, right + 1,
// bottom + 1); (0, 0, 0, 0) when there are none or the image holds no pixels.
RECT MaskBounds(corvel::CRowIteratorBands& image);

// How the host's pixels of a mode and plane count map onto a core format: samples read per
// pixel, of 1 or 2 bytes; format keFormatNone when the combination is refused.
struct HostLayout {
  corvel::keFormat format = corvel::keFormatNone;
  int samples = 0;
  int sampleBytes = 1;
};
HostLayout HostLayoutOf(const host::FilterRecord& record);

}  // namespace framework
