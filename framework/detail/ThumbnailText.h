// The file-information tooltip of a thumbnail, written in the tooltip drawer's markup.
#pragma once
#include <cstdint>
#include <locale>
#include <string>
#include <string_view>

#include "framework/ThumbnailImage.h"

namespace framework::detail {

// The drawer reads "<<" as one "<"; nothing else in a data field means markup to it.
std::string EscapeMarkup(std::string_view text);
std::string FormatFileSize(std::uint32_t bytes);
// Dates and times follow `locale`; the process's locale is left alone.
std::string FileInfoText(const std::string& label, const std::string& path, const ThumbnailInfo& info,
                         const std::locale& locale);
// The user's locale, or the classic one when the environment names none that exists.
const std::locale& UserLocale();

}  // namespace framework::detail
