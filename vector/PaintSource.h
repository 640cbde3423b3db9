// Vector rendering and canvas (namespace corvel): paths, matrices, paints and span filling,
// stroking, the drawing context and the image canvas. Uses the row operations and the image
// core; the window controls and the filter draw through it.
//
// A paint source produces the colours of a paint for spans of a target image: it is prepared
// when its paint is attached to a target and unprepared when the paint is detached.
#pragma once
#include "core/Matrix3.h"
#include "platform/win32/Types.h"
#include "rowops/HeapBuffer.h"
#include "rowops/ImageSampler.h"
#include "rowops/RowOperation.h"

namespace corvel {

class CRowIteratorBands;

// What a paint is attached to, as the drawing context hands it over for one drawing call.
struct PaintAttachRecord {
  PaintAttachRecord() = default;
  PaintAttachRecord(CRowIteratorBands* targetImage) : target(targetImage) {}

  CRowIteratorBands* target = nullptr;
  Matrix3 matrix = kIdentityMatrix3;       // pattern space to target
  RECT bounds{0, 0, 0, 0};                 // the target's
  RECT clip{0, 0, 0, 0};                   // spans outside it are dropped
  RECT view{0, 0, 0, 0};                   // its top-left is view coordinate 0
  double maskPlacement[4] = {0, 0, 0, 0};  // where the context's mask image lies
  SamplerOptions maskOptions;
  CRowIteratorBands* mask = nullptr;  // the context's mask image, or null
  RowOperation* blend = nullptr;      // null: the shared normal blend
};

class PaintSource {
 public:
  PaintSource() = default;
  virtual ~PaintSource() = default;
  PaintSource(const PaintSource&) = delete;
  PaintSource& operator=(const PaintSource&) = delete;

  // Makes the row buffer: 4 bytes for every pixel of the target's width.
  virtual bool Prepare(const PaintAttachRecord& record);
  virtual bool Unprepare();
  virtual bool IsOpaque() const { return false; }
  // Writes request.count pixels of row request.y from column request.x in request.format
  // (keFormatNone: keFormatBGRA) into request.row (null: the source's row buffer, which is then
  // stored in the request).
  virtual void GenerateSpan(RowOpRow& request) = 0;
  // Generates every row of the rectangle (null: the whole image) straight into the image, the
  // rectangle's top-left taking the source position (x, y).
  virtual void FillImage(CRowIteratorBands& image, const RECT* rect, int x, int y);

 protected:
  HeapBuffer rowBuffer_;
};

}  // namespace corvel
