// Whole-image operations: configured once, then executed on a request that names a destination,
// up to two sources, an optional mask and a work area. The base gives the run on a whole image,
// the run through a mask, a time estimate and the binding that presents sources in the format an
// operation wants. TransformOperation (type 18) and ScaleOperation (type 22) derive from it.
#pragma once
#include <cstdint>

#include "core/CoreResult.h"
#include "core/PixelFormat.h"
#include "core/RectHelpers.h"
#include "platform/win32/Types.h"

namespace corvel {

class CProgressMeter;
class CRowIteratorBands;

enum keImageOperationType : std::int32_t {
  keOperationTransform = 18,
  keOperationScale = 22,
};

struct OperationRequest {
  RECT rects[3] = {};  // the whole-image run sets all three to the destination's bounds
  CRowIteratorBands* destination = nullptr;
  CRowIteratorBands* source = nullptr;
  CRowIteratorBands* secondSource = nullptr;
  CRowIteratorBands* mask = nullptr;
  RECT workArea{0, 0, 0, 0};  // the masked run's rectangle of the destination
  bool keepAlpha = false;     // the masked run keeps the prior alpha
  double scale = 1.0;
};

// A request with the sources' presentation before the binding changed it.
struct OperationBinding {
  OperationRequest request;
  keFormat savedFormat[2] = {keFormatNone, keFormatNone};
  int savedAccessMode[2] = {0, 0};
  int boundSources = 0;
};

class ImageOperation {
 public:
  explicit ImageOperation(std::int32_t type) : type_(type) {}
  virtual ~ImageOperation() = default;
  ImageOperation(const ImageOperation&) = delete;
  ImageOperation& operator=(const ImageOperation&) = delete;

  // The area of the sources that an area of the destination needs: the same area here.
  virtual bool MapArea(RectD* out, const RectD& in) const;
  // Seconds for width x height pixels at the measured processor speed; 0 when the speed is
  // unknown.
  virtual double EstimateTime(int width, int height) const;
  virtual int OperandCount() const = 0;
  // A core code.
  virtual int Execute(OperationRequest& request) = 0;

  // Executes on the whole image: destination image, first source source.
  CoreResult Run(CRowIteratorBands& image, CRowIteratorBands* source);
  // The masked run when the request names a mask, else Execute.
  CoreResult ExecuteResult(OperationRequest& request);

  std::int32_t Type() const { return type_; }
  const RectD& GetRequest() const { return area_; }
  void SetProgressMeter(CProgressMeter* meter) { meter_ = meter; }
  CProgressMeter* GetProgressMeter() const { return meter_; }

 protected:
  double cyclesPerPixel_ = 60.0;

 private:
  int ExecuteMasked(OperationRequest& request);

  RectD area_{0, 0, 1, 1};
  std::int32_t type_;
  CProgressMeter* meter_ = nullptr;
};

// Presents the request's sources in the formats an operation works in (first, second; keFormatNone
// keeps a source's own; with unify two different formats meet at common, or at the first's).
// Creates a destination that does not exist yet from the first source. 0, 101 or 106.
int BindOperation(OperationBinding& binding, const OperationRequest& request, int operandCount,
                  keFormat first, keFormat second, keFormat common, bool unify);
// Restores the sources' presentation; answers code.
int UnbindOperation(OperationBinding& binding, int code);

// The processor's clock in MHz, measured once per process at normal priority; 0 when it cannot
// be measured.
float ProcessorMHz();

// Scales the first source by the request's scale times the factor (cubic convolution) and fills
// the destination with the result repeated.
class ScaleOperation final : public ImageOperation {
 public:
  explicit ScaleOperation(double factor) : ImageOperation(keOperationScale), factor_(factor) {
    cyclesPerPixel_ = 24.0;
  }
  int OperandCount() const override { return 1; }
  int Execute(OperationRequest& request) override;

  std::int32_t Method() const { return method_; }
  double Factor() const { return factor_; }

 private:
  std::int32_t method_ = 92;
  double factor_;
};

}  // namespace corvel
