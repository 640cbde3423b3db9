// Puts one channel of a row through a 256-byte lookup table (a grey row wholly). Without a
// table the kernels do nothing.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

class ChannelLutOp : public TableRowOperation<ChannelLutOp> {
 public:
  ChannelLutOp(std::int32_t channel, const std::uint8_t* table)
      : TableRowOperation(keRoChannelLUT), channel_(channel), table_(table) {}
  static const RowOpKernelRecord* KernelTable();
  std::int32_t Channel() const { return channel_; }
  const std::uint8_t* Table() const { return table_; }

 private:
  std::int32_t channel_;
  const std::uint8_t* table_;
};

}  // namespace corvel
