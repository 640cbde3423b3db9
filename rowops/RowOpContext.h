// Binding an operation to a pair of formats, directly or in two stages through an intermediate
// format, and running it row by row.
#pragma once
#include <memory>

#include "rowops/RowOperation.h"

namespace corvel {

class RowOpContext {
 public:
  RowOpContext() = default;
  RowOpContext(RowOperation& op, const RowOpArgs& args, int variantMode, int flag) {
    Bind(op, args, variantMode, flag);
  }
  ~RowOpContext();
  RowOpContext(const RowOpContext&) = delete;
  RowOpContext& operator=(const RowOpContext&) = delete;

  // Binds directly when the operation has a kernel for the pair (or is keRoNOP), else through
  // BGR or BGRA intermediates (16-bit ones first for a 16-bit destination; the BGR ones only
  // when no format involved has alpha). Answers false, leaving the context unbound, when no
  // route exists. The context does not own the operation, which must outlive the binding.
  bool Bind(RowOperation& op, const RowOpArgs& args, int variantMode, int flag);
  void Unbind();
  bool IsBound() const { return kernel_ != nullptr || twoStage_; }
  // Does nothing on an unbound context.
  void Execute(const RowOpArgs& args) const;

  bool IsTwoStage() const { return twoStage_; }
  keFormat IntermediateFormat() const { return intermediate_; }
  RowOpKernel Kernel() const { return kernel_; }

  // For RowOperation::Bind and Unbind and their overrides.
  void SetBinding(const RowOperation* boundOp, RowOpKernel kernel) {
    boundOp_ = boundOp;
    kernel_ = kernel;
  }
  const RowOperation* BoundOp() const { return boundOp_; }

 private:
  bool BindTwoStage(keFormat intermediate, RowOperation& op, const RowOpArgs& args, int variantMode);
  void ExecuteTwoStage(const RowOpArgs& args) const;
  void Clear();

  RowOperation* op_ = nullptr;
  const RowOperation* boundOp_ = nullptr;
  RowOpKernel kernel_ = nullptr;
  bool twoStage_ = false;
  keFormat intermediate_ = keFormatNone;
  RowOpKernel sourceToIntermediate_ = nullptr;
  RowOpKernel destinationToIntermediate_ = nullptr;
  RowOpKernel intermediateToDestination_ = nullptr;
};

// Owns a clone of an operation bound for a pair of formats.
class RowOpExecutor {
 public:
  RowOpExecutor(const RowOperation& op, keFormat dst, keFormat src);
  // Formats and palettes from the images, positions 0; a null source leaves the source half
  // empty.
  RowOpExecutor(const RowOperation& op, const CRowIteratorBands& dst, const CRowIteratorBands* src);
  ~RowOpExecutor();
  RowOpExecutor(const RowOpExecutor&) = delete;
  RowOpExecutor& operator=(const RowOpExecutor&) = delete;

  bool IsBound() const { return context_.IsBound(); }
  const RowOpContext& Context() const { return context_; }
  // Palettes and positions beyond what the constructor sets.
  RowOpArgs& Args() { return args_; }

  void Run(int count, void* dstRow, const void* srcRow);

 private:
  RowOpArgs args_;
  RowOpContext context_;
  std::unique_ptr<RowOperation> op_;
};

}  // namespace corvel
