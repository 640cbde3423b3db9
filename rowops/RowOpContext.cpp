#include "rowops/RowOpContext.h"

#include <new>

#include "rowops/RowCopyOp.h"

namespace corvel {

RowOpContext::~RowOpContext() {
  if (op_ != nullptr) op_->Unbind(*this);
}

void RowOpContext::Clear() {
  op_ = nullptr;
  boundOp_ = nullptr;
  kernel_ = nullptr;
  twoStage_ = false;
  intermediate_ = keFormatNone;
  sourceToIntermediate_ = destinationToIntermediate_ = intermediateToDestination_ = nullptr;
}

void RowOpContext::Unbind() {
  if (op_ != nullptr) op_->Unbind(*this);
  Clear();
}

bool RowOpContext::Bind(RowOperation& op, const RowOpArgs& args, int variantMode, int) {
  Unbind();
  op_ = &op;
  op.Bind(*this, args, variantMode, 1);
  if (kernel_ != nullptr && (op.Code() == keRoNOP || kernel_ != EmptyFunction)) return true;
  Unbind();

  const CPixelFormat dst(args.dst.format), src(args.src.format);
  const bool anyAlpha = dst.HasAlpha() || src.HasAlpha();
  for (int n = dst.Is16Bit() ? 2 : 1; n > 0; --n) {
    if (!anyAlpha) {
      if (BindTwoStage(n == 2 ? keFormatBGR_u16 : keFormatBGR, op, args, variantMode)) return true;
      Unbind();
    }
    if (BindTwoStage(n == 2 ? keFormatBGRA_u16 : keFormatBGRA, op, args, variantMode)) return true;
    Unbind();
  }
  return false;
}

bool RowOpContext::BindTwoStage(keFormat intermediate, RowOperation& op, const RowOpArgs& args,
                                int variantMode) {
  sourceToIntermediate_ = destinationToIntermediate_ = intermediateToDestination_ = nullptr;
  intermediate_ = intermediate;
  // A route with a leg that cannot convert would run the operation on garbage or drop its
  // result, so it is no route.
  bool legsExist = true;
  if (args.src.format != keFormatNone && args.src.format != intermediate) {
    sourceToIntermediate_ = FindRowCopyKernel(intermediate, args.src.format);
    legsExist = legsExist && sourceToIntermediate_ != EmptyFunction;
  }
  if (args.dst.format != intermediate) {
    destinationToIntermediate_ = FindRowCopyKernel(intermediate, args.dst.format);
    intermediateToDestination_ = FindRowCopyKernel(args.dst.format, intermediate);
    legsExist = legsExist && destinationToIntermediate_ != EmptyFunction &&
                intermediateToDestination_ != EmptyFunction;
  }
  if (legsExist) {
    RowOpArgs inner = args;
    inner.dst.format = intermediate;
    inner.src.format = args.src.format == keFormatNone ? keFormatNone : intermediate;
    op_ = &op;
    op.Bind(*this, inner, variantMode, 1);
    if (kernel_ != nullptr && kernel_ != EmptyFunction) {
      twoStage_ = true;
      return true;
    }
  }
  sourceToIntermediate_ = destinationToIntermediate_ = intermediateToDestination_ = nullptr;
  twoStage_ = false;
  intermediate_ = keFormatNone;
  return false;
}

void RowOpContext::Execute(const RowOpArgs& args) const {
  if (twoStage_) {
    ExecuteTwoStage(args);
  } else if (kernel_ != nullptr) {
    kernel_(*boundOp_, args);
  }
}

namespace {

// A buffer row of the intermediate format, at position 0 and without palette.
RowOpRow BufferRow(keFormat format, std::int32_t count, void* buffer, const RowOpRow& like) {
  RowOpRow row = like;
  row.format = format;
  row.count = count;
  row.row = buffer;
  row.paletteSize = 0;
  row.palette = nullptr;
  row.x = row.y = 0;
  return row;
}

}  // namespace

void RowOpContext::ExecuteTwoStage(const RowOpArgs& args) const {
  const RowCopyOp copy;
  const std::int32_t count = args.dst.count;
  if (count <= 0) return;
  // Eight bytes a pixel hold any of the four intermediates.
  const std::size_t bytes = static_cast<std::size_t>(count) * 8;
  std::unique_ptr<std::uint8_t[]> sourceBuffer, destinationBuffer;
  RowOpArgs opArgs = args;

  if (sourceToIntermediate_ != nullptr) {
    sourceBuffer.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!sourceBuffer) return;
    RowOpArgs leg = args;
    leg.dst = BufferRow(intermediate_, count, sourceBuffer.get(), args.dst);
    sourceToIntermediate_(copy, leg);
    opArgs.src.format = intermediate_;
    opArgs.src.row = sourceBuffer.get();
    opArgs.src.paletteSize = 0;
    opArgs.src.palette = nullptr;
  }
  if (destinationToIntermediate_ != nullptr) {
    destinationBuffer.reset(new (std::nothrow) std::uint8_t[bytes]);
    if (!destinationBuffer) return;
    RowOpArgs leg;
    leg.dst = BufferRow(intermediate_, count, destinationBuffer.get(), args.dst);
    leg.src = args.dst;
    destinationToIntermediate_(copy, leg);
    opArgs.dst.format = intermediate_;
    opArgs.dst.count = count;
    opArgs.dst.row = destinationBuffer.get();
    opArgs.dst.paletteSize = 0;
    opArgs.dst.palette = nullptr;
  }
  kernel_(*boundOp_, opArgs);
  if (intermediateToDestination_ != nullptr) {
    RowOpArgs leg;
    leg.dst = args.dst;
    leg.src = BufferRow(intermediate_, count, destinationBuffer.get(), args.src);
    intermediateToDestination_(copy, leg);
  }
}

RowOpExecutor::RowOpExecutor(const RowOperation& op, keFormat dst, keFormat src) : op_(op.Clone()) {
  args_.dst.format = dst;
  args_.src.format = src;
  context_.Bind(*op_, args_, 2, 1);
}

RowOpExecutor::RowOpExecutor(const RowOperation& op, const CRowIteratorBands& dst,
                             const CRowIteratorBands* src)
    : op_(op.Clone()) {
  args_.SetDestination(dst, 0, 0);
  if (src != nullptr) args_.SetSource(*src, 0, 0);
  context_.Bind(*op_, args_, 2, 1);
}

RowOpExecutor::~RowOpExecutor() { context_.Unbind(); }

void RowOpExecutor::Run(int count, void* dstRow, const void* srcRow) {
  args_.dst.count = args_.src.count = count;
  args_.dst.row = dstRow;
  args_.src.row = const_cast<void*>(srcRow);
  context_.Execute(args_);
}

}  // namespace corvel
