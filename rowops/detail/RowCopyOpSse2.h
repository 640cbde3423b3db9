// SSE2 forms of the conversions that carry most pixels; same results as the plain kernels.
#pragma once
#include "rowops/RowOperation.h"

namespace corvel::detail {

void CopyBGRToBGRASimd(const RowOperation& op, const RowOpArgs& args);
void CopyBGRAToBGRSimd(const RowOperation& op, const RowOpArgs& args);
void CopyBGRAToGreySimd(const RowOperation& op, const RowOpArgs& args);

}  // namespace corvel::detail
