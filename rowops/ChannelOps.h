// One channel of a row to a grey row (ChannelGetOp) and back (ChannelSetOp). Channel ids: 0 blue
// (or grey), 1 green, 2 red, 3 alpha. Unless the raw flag is set, a colour channel of a
// premultiplied row is read and written un-premultiplied; alpha is always taken as stored.
#pragma once
#include <cstdint>

#include "rowops/RowOperation.h"

namespace corvel {

class ChannelGetOp : public TableRowOperation<ChannelGetOp> {
 public:
  explicit ChannelGetOp(std::int32_t channel, bool raw = false)
      : TableRowOperation(keRoChannelGet), raw_(raw), channel_(channel) {}
  static const RowOpKernelRecord* KernelTable();
  bool Raw() const { return raw_; }
  std::int32_t Channel() const { return channel_; }

 private:
  bool raw_;
  std::int32_t channel_;
};

class ChannelSetOp : public TableRowOperation<ChannelSetOp> {
 public:
  explicit ChannelSetOp(std::int32_t channel, bool raw = false)
      : TableRowOperation(keRoChannelSet), raw_(raw), channel_(channel) {}
  static const RowOpKernelRecord* KernelTable();
  bool Raw() const { return raw_; }
  std::int32_t Channel() const { return channel_; }

 private:
  bool raw_;
  std::int32_t channel_;
};

}  // namespace corvel
