#include <gtest/gtest.h>

#include <vector>

#include "rowops/ImageOperation.h"
#include "rowops/RowBlendOp.h"
#include "rowops/RowOpContext.h"
#include "tests/rowops/SamplingTestImages.h"

namespace corvel {
namespace {

using testing::MakeImage;
using testing::Noise;
using testing::ReadPixel;

// Records what Execute saw and fills the destination with one grey.
class RecordingOperation : public ImageOperation {
 public:
  explicit RecordingOperation(keFormat wanted = keFormatNone) : ImageOperation(99), wanted_(wanted) {}
  int OperandCount() const override { return 1; }
  int Execute(OperationRequest& request) override {
    seen = request;
    OperationBinding binding;
    const int code = BindOperation(binding, request, 1, wanted_, keFormatNone, keFormatNone, false);
    if (code != 0) return code;
    sourceFormat = request.source->GetFormat();
    request.destination->Fill(CColorRef(200, 200, 200, 255)).GetCode();
    return UnbindOperation(binding, answer);
  }
  OperationRequest seen;
  keFormat sourceFormat = keFormatNone;
  int answer = 0;

 private:
  keFormat wanted_;
};

TEST(ImageOperation, RunCoversTheWholeImage) {
  CRowIteratorBands image, source;
  ASSERT_EQ(image.Create(7, 5, keFormatBGR).GetCode(), 0);
  ASSERT_EQ(source.Create(7, 5, keFormatBGR).GetCode(), 0);
  RecordingOperation op;
  EXPECT_EQ(op.Run(image, &source).GetCode(), 0);
  for (const RECT& r : op.seen.rects) {
    EXPECT_EQ(r.right, 7);
    EXPECT_EQ(r.bottom, 5);
  }
  EXPECT_EQ(op.seen.destination, &image);
  EXPECT_EQ(op.seen.source, &source);
  EXPECT_EQ(op.seen.scale, 1.0);
  op.answer = keErrorStopped;
  EXPECT_EQ(op.Run(image, &source).GetCode(), keErrorStopped);
  EXPECT_EQ(op.GetRequest().right, 1.0);
  RectD mapped;
  EXPECT_TRUE(op.MapArea(&mapped, RectD{1, 2, 3, 4}));
  EXPECT_EQ(mapped.bottom, 4.0);
}

TEST(ImageOperation, BindingPresentsTheSourceAndRestoresIt) {
  CRowIteratorBands image, source;
  ASSERT_EQ(image.Create(4, 4, keFormatBGRA).GetCode(), 0);
  MakeImage(source, 4, 4, keFormatBGR, Noise);
  RecordingOperation op(keFormatBGRA);
  EXPECT_EQ(op.Run(image, &source).GetCode(), 0);
  EXPECT_EQ(op.sourceFormat, keFormatBGRA);
  EXPECT_EQ(source.GetFormat(), keFormatBGR);
}

TEST(ImageOperation, BindingChecksItsOperands) {
  CRowIteratorBands image, source, empty;
  ASSERT_EQ(image.Create(4, 4, keFormatBGR).GetCode(), 0);
  MakeImage(source, 3, 2, keFormatGrey, Noise);
  OperationBinding binding;
  OperationRequest request;
  EXPECT_EQ(BindOperation(binding, request, 1, keFormatNone, keFormatNone, keFormatNone, false),
            keErrorBadArgument);
  request.destination = &image;
  EXPECT_EQ(BindOperation(binding, request, 1, keFormatNone, keFormatNone, keFormatNone, false),
            keErrorMissingOperand);
  EXPECT_EQ(BindOperation(binding, request, 0, keFormatNone, keFormatNone, keFormatNone, false), 0);
  request.source = &source;
  EXPECT_EQ(BindOperation(binding, request, 2, keFormatNone, keFormatNone, keFormatNone, false),
            keErrorMissingOperand);
  EXPECT_EQ(BindOperation(binding, request, 3, keFormatNone, keFormatNone, keFormatNone, false),
            keErrorBadArgument);
  // Two sources unified at the common format.
  request.secondSource = &image;
  ASSERT_EQ(BindOperation(binding, request, 2, keFormatNone, keFormatNone, keFormatBGR, true), 0);
  EXPECT_EQ(source.GetFormat(), keFormatBGR);
  EXPECT_EQ(UnbindOperation(binding, 7), 7);
  EXPECT_EQ(source.GetFormat(), keFormatGrey);
  // A destination not created yet is made from the first source.
  request.destination = &empty;
  ASSERT_EQ(BindOperation(binding, request, 1, keFormatNone, keFormatNone, keFormatNone, false), 0);
  EXPECT_EQ(empty.Width(), 3);
  EXPECT_EQ(empty.GetFormat(), keFormatGrey);
}

TEST(ImageOperation, TimeEstimateFromTheProcessorSpeed) {
  CRowIteratorBands image;
  RecordingOperation op;
  const double mhz = ProcessorMHz();
  EXPECT_GE(mhz, 0);
  if (mhz > 0) {
    EXPECT_NEAR(op.EstimateTime(1000, 1000), 1e6 * 60 / (mhz * 1e6), 1e-9);
  } else {
    EXPECT_EQ(op.EstimateTime(1000, 1000), 0);
  }
  EXPECT_EQ(ProcessorMHz(), mhz);  // measured once
}

TEST(ScaleOperation, FactorOneRepeatsTheSource) {
  CRowIteratorBands source, destination;
  MakeImage(source, 3, 2, keFormatBGR, Noise);
  ASSERT_EQ(destination.Create(8, 5, keFormatBGRA).GetCode(), 0);
  ScaleOperation scale(1.0);
  EXPECT_EQ(scale.Type(), keOperationScale);
  EXPECT_EQ(scale.Method(), 92);
  ASSERT_EQ(scale.Run(destination, &source).GetCode(), 0);
  EXPECT_EQ(destination.GetFormat(), keFormatBGR);  // takes the source's format
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(ReadPixel(destination, x, y), ReadPixel(source, x % 3, y % 2));
}

TEST(ScaleOperation, ShrinksToAtLeastOnePixel) {
  CRowIteratorBands source, destination;
  MakeImage(source, 3, 40, keFormatGrey, [](int, int y, int) { return std::uint8_t(y < 20 ? 10 : 250); });
  ASSERT_EQ(destination.Create(6, 4, keFormatGrey).GetCode(), 0);
  ScaleOperation scale(0.1);  // 3 x 0.1 rounds to 0: one column; 40 x 0.1 = 4 rows
  ASSERT_EQ(scale.Run(destination, &source).GetCode(), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 1; x < 6; ++x) EXPECT_EQ(ReadPixel(destination, x, y), ReadPixel(destination, 0, y));
  EXPECT_EQ(ReadPixel(destination, 0, 0)[0], 10);
  EXPECT_EQ(ReadPixel(destination, 0, 3)[0], 250);
}

bool NormalBlendAvailable() {
  RowBlendOp blend(0);
  RowOpExecutor executor(blend, keFormatBGRA, keFormatBGRA);
  return executor.IsBound();
}

// The result is laid over the prior pixels with the mask as its coverage.
TEST(ImageOperation, MaskedRunBlendsByCoverage) {
  if (!NormalBlendAvailable()) GTEST_SKIP() << "the normal blend has no kernels in this build";
  CRowIteratorBands image, source, mask;
  MakeImage(image, 4, 2, keFormatBGRA, [](int, int, int c) { return std::uint8_t(c == 3 ? 255 : 0); });
  ASSERT_EQ(source.Create(4, 2, keFormatBGRA).GetCode(), 0);
  MakeImage(mask, 4, 2, keFormatGrey, [](int x, int, int) { return std::uint8_t(x * 85); });
  RecordingOperation op;
  OperationRequest request;
  request.destination = &image;
  request.source = &image;
  request.mask = &mask;
  request.workArea = RECT{0, 0, 4, 2};
  ASSERT_EQ(op.ExecuteResult(request).GetCode(), 0);
  for (int x = 0; x < 4; ++x) EXPECT_NEAR(ReadPixel(image, x, 1)[0], 200 * x / 3, 2) << x;
  request.workArea = RECT{0, 0, 0, 2};
  EXPECT_EQ(op.ExecuteResult(request).GetCode(), keErrorBadArgument);
}

TEST(ImageOperation, MaskedRunChecksItsRectangles) {
  CRowIteratorBands image, mask;
  ASSERT_EQ(image.Create(4, 2, keFormatBGRA).GetCode(), 0);
  ASSERT_EQ(mask.Create(2, 2, keFormatGrey).GetCode(), 0);
  RecordingOperation op;
  OperationRequest request;
  request.destination = &image;
  request.mask = &mask;
  request.workArea = RECT{0, 0, 4, 2};  // wider than the mask
  EXPECT_EQ(op.ExecuteResult(request).GetCode(), keErrorBadArgument);
  request.workArea = RECT{3, 0, 5, 2};  // leaves the image
  EXPECT_EQ(op.ExecuteResult(request).GetCode(), keErrorBadArgument);
  EXPECT_EQ(ReadPixel(image, 3, 0)[0], 0);  // nothing ran
}

}  // namespace
}  // namespace corvel
