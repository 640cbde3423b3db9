#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/CpuFeatures.h"
#include "rowops/RowCopyOp.h"
#include "rowops/RowFillOp.h"
#include "rowops/RowOpContext.h"

namespace corvel {
namespace {

void PlainA(const RowOperation&, const RowOpArgs&) {}
void PlainB(const RowOperation&, const RowOpArgs&) {}
void SimdA(const RowOperation&, const RowOpArgs&) {}

const RowOpKernelRecord kTable[] = {
    {keFormatBGR, keFormatGrey, keVariantPlain, PlainA},
    {keFormatBGR, keFormatGrey, keVariantMmx, SimdA},
    {keFormatBGRA, keFormatGrey, keVariantPlain, PlainA},
    {keFormatBGRA, keFormatGrey, keVariantPlain, PlainB},
    {keFormatNone, keFormatNone, 0, nullptr},
};

TEST(FindRowOpKernel, ByVariantModeAndProcessor) {
  struct Case {
    bool simd;
    int mode;
    keFormat dst;
    RowOpKernel expected;
  };
  const Case cases[] = {
      {true, 2, keFormatBGR, SimdA},          {false, 2, keFormatBGR, PlainA},
      {true, 0, keFormatBGR, PlainA},         {true, 1, keFormatBGR, SimdA},
      {true, 1, keFormatBGRA, EmptyFunction}, {true, 3, keFormatBGR, EmptyFunction},
      {true, 2, keFormatGrey, EmptyFunction}, {false, 2, keFormatBGRA, PlainB},  // the later record wins
  };
  for (const Case& c : cases) {
    CpuFeaturesOverride forced(ProbedOrNone(c.simd));
    EXPECT_EQ(FindRowOpKernel(kTable, c.dst, keFormatGrey, c.mode), c.expected)
        << "simd " << c.simd << ", mode " << c.mode << ", dst " << c.dst;
  }
  EXPECT_EQ(FindRowOpKernel(nullptr, keFormatBGR, keFormatGrey, 2), EmptyFunction);
}

TEST(HasMmx, FollowsTheProcessorRecord) {
  EXPECT_EQ(ProbeMmx(), 1);  // every x86-64 processor has SSE2
  EXPECT_TRUE(HasMmx());
  {
    CpuFeaturesOverride forced(CpuFeatures{});
    EXPECT_FALSE(HasMmx());
  }
  EXPECT_TRUE(HasMmx());
}

TEST(RowOperationTypeName, NamesAndUnknowns) {
  EXPECT_STREQ(RowOperationTypeName(keRoNOP), "keRoNOP");
  EXPECT_STREQ(RowOperationTypeName(keRoRowCopy), "keRoRowCopy");
  EXPECT_STREQ(RowOperationTypeName(keRoHighPass), "keRoHighPass");
  for (int code : {-1, 11, 32, 34, 1000}) EXPECT_STREQ(RowOperationTypeName(code), "Unknown");
}

// An operation of code keRoNOP without kernels.
class NopOp : public RowOperation {
 public:
  NopOp() : RowOperation(keRoNOP) {}
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<NopOp>(); }
  RowOpKernel ChooseKernel(keFormat, keFormat, int, int) const override { return nullptr; }
};

RowOpArgs Formats(keFormat dst, keFormat src) {
  RowOpArgs args;
  args.dst.format = dst;
  args.src.format = src;
  return args;
}

TEST(RowOpContext, NopBindsToTheEmptyKernel) {
  NopOp nop;
  RowOpContext context;
  EXPECT_TRUE(context.Bind(nop, Formats(keFormatBGR, keFormatGrey), 2, 1));
  EXPECT_TRUE(context.IsBound());
  EXPECT_EQ(context.Kernel(), EmptyFunction);
  EXPECT_FALSE(context.IsTwoStage());
}

TEST(RowOpContext, DirectPairBindsDirectly) {
  RowCopyOp copy;
  RowOpContext context(copy, Formats(keFormatBGRA, keFormatBGR), 2, 1);
  EXPECT_TRUE(context.IsBound());
  EXPECT_FALSE(context.IsTwoStage());
  EXPECT_EQ(context.BoundOp(), &copy);
}

TEST(RowOpContext, TwoStageRoutes) {
  struct Case {
    keFormat dst, src;
    keFormat intermediate;
  };
  const Case cases[] = {
      {keFormatIndex8, keFormatGrey_u16, keFormatBGR},      // 8-bit, no alpha
      {keFormatGrey_u16, keFormatIndex8, keFormatBGR_u16},  // 16-bit, no alpha
      {keFormatGreyA, keFormatIndex1, keFormatBGRA},        // alpha never goes through BGR
      {keFormatGreyA_u16, keFormatGrey, keFormatBGRA_u16},
  };
  RowCopyOp copy;
  for (const Case& c : cases) {
    RowOpContext context;
    EXPECT_TRUE(context.Bind(copy, Formats(c.dst, c.src), 2, 1));
    EXPECT_TRUE(context.IsTwoStage());
    EXPECT_EQ(context.IntermediateFormat(), c.intermediate) << c.dst << " from " << c.src;
  }
  RowFillOp fill(0x80FF0000);
  RowOpContext context;
  EXPECT_TRUE(context.Bind(fill, Formats(keFormatBGRxA_u16, keFormatNone), 2, 1));
  EXPECT_EQ(context.IntermediateFormat(), keFormatBGRA_u16);
}

TEST(RowOpContext, AFillOfBGRxA16GoesThroughBGRA16) {
  RowOpExecutor executor(RowFillOp(0x80FF0000u), keFormatBGRxA_u16, keFormatNone);
  ASSERT_TRUE(executor.IsBound());
  std::uint16_t row[8];
  executor.Run(2, row, nullptr);
  // Blue 255 at alpha 128: 65535 x 32896 / 65535 rounded = 32896.
  const std::uint16_t pixel[4] = {32896, 0, 0, 32896};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(row[i], pixel[i % 4]) << "word " << i;
}

TEST(RowOpContext, NoRouteLeavesTheContextUnboundAndExecuteDoesNothing) {
  RowCopyOp copy;
  RowOpContext context;
  EXPECT_FALSE(context.Bind(copy, Formats(keFormatBGR_f32, keFormatBGR), 2, 1));
  EXPECT_FALSE(context.IsBound());
  float row[3] = {1, 2, 3};
  RowOpArgs args = Formats(keFormatBGR_f32, keFormatBGR);
  args.dst.count = args.src.count = 1;
  args.dst.row = row;
  args.src.row = row;
  context.Execute(args);
  EXPECT_EQ(row[2], 3.0f);
}

// An operation that binds a copy of itself, which the context must delete on unbind.
int gLiveCopies = 0;
class StoringOp : public RowOperation {
 public:
  StoringOp() : RowOperation(keRoRowCopy) { ++gLiveCopies; }
  StoringOp(const StoringOp& other) : RowOperation(other) { ++gLiveCopies; }
  ~StoringOp() override { --gLiveCopies; }
  std::unique_ptr<RowOperation> Clone() const override { return std::make_unique<StoringOp>(*this); }
  RowOpKernel Bind(RowOpContext& context, const RowOpArgs&, int, int) override {
    context.SetBinding(new StoringOp(*this), PlainA);
    return PlainA;
  }
  RowOpKernel ChooseKernel(keFormat, keFormat, int, int) const override { return PlainA; }
};

TEST(RowOpContext, UnbindDeletesAnOperationStoredInPlaceOfTheBoundOne) {
  {
    StoringOp op;
    RowOpContext context(op, Formats(keFormatBGR, keFormatBGR), 2, 1);
    EXPECT_EQ(gLiveCopies, 2);
    context.Unbind();
    EXPECT_EQ(gLiveCopies, 1);
    context.Bind(op, Formats(keFormatBGR, keFormatBGR), 2, 1);
    EXPECT_EQ(gLiveCopies, 2);
  }
  EXPECT_EQ(gLiveCopies, 0);
}

TEST(RowOpExecutor, RunsTheClonedOperation) {
  std::vector<std::uint8_t> src = {1, 2, 3, 4, 5, 6}, dst(8, 0);
  RowOpExecutor executor(RowCopyOp(), keFormatBGRA, keFormatBGR);
  executor.Run(2, dst.data(), src.data());
  EXPECT_EQ(dst, (std::vector<std::uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(RowFillOp, CloneForgetsThePaletteIndex) {
  RowFillOp fill(0x11223344u, 7);
  auto copy = fill.Clone();
  const auto& cloned = static_cast<const RowFillOp&>(*copy);
  EXPECT_EQ(cloned.Color(), 0x11223344u);
  EXPECT_EQ(cloned.PaletteIndex(), -1);
}

}  // namespace
}  // namespace corvel
