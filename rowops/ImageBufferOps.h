// Whole-image copies and conversions through row operations, repeated fills and format changes.
// Rectangles are relative to each image's top-left; a null rectangle means the whole image.
#pragma once
#include "core/CoreResult.h"
#include "core/PixelFormat.h"
#include "platform/win32/Types.h"

namespace corvel {

class CProgressMeter;
class CRowIteratorBands;
class RowOperation;

// Runs the operation row by row from the source rectangle into the destination rectangle.
// False when the operation cannot bind for the two formats, the rectangles differ in size or
// leave their images, or the meter asks to stop (rows done so far stay done).
bool CopyImageConverted(RowOperation& op, CRowIteratorBands& dst, CRowIteratorBands& src, const RECT* dstRect,
                        const RECT* srcRect, CProgressMeter* meter);
// A converting copy without progress.
bool CopyImageRect(CRowIteratorBands& dst, const RECT& dstRect, CRowIteratorBands& src, const RECT& srcRect);
// The destination's whole rectangle from the same rectangle of the source, which must be at
// least as large.
bool CopyImage(CRowIteratorBands& dst, CRowIteratorBands& src);

// Fills the destination (or its part inside the clip) with the source repeated from the
// destination's origin. The two images share a pixel size; bytes are copied as they are.
void FillRepeated(CRowIteratorBands& dst, CRowIteratorBands& src, const RECT* clip);

// Converts the image to another format in place: premultiplying or un-premultiplying between
// BGRA and BGRxA, else through a converted copy whose storage the image takes over. 101 for
// another pair of one bit depth or a failed copy; the image is unchanged on failure.
CoreResult ChangeImageFormat(CRowIteratorBands& image, keFormat format);

}  // namespace corvel
