#include "controls/detail/HtmlTags.h"

#include <algorithm>
#include <cctype>

#include "controls/HtmlStyleSheet.h"

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

bool TagAttributes::Next(TagAttribute& attribute) {
  SkipSpaces();
  if (at >= text.size()) return false;
  const size_t start = at;
  while (at < text.size() && text[at] != ' ' && text[at] != '=') ++at;
  attribute.name = text.substr(start, at - start);
  attribute.value = {};
  SkipSpaces();
  if (at >= text.size() || text[at] != '=') return true;
  ++at;
  SkipSpaces();
  if (at < text.size() && text[at] == '"') {
    const size_t quote = text.find('"', at + 1);
    const size_t stop = quote == std::string_view::npos ? text.size() : quote;
    attribute.value = text.substr(at + 1, stop - at - 1);
    at = stop == text.size() ? stop : stop + 1;
  } else {
    const size_t stop = std::min(text.find(' ', at), text.size());
    attribute.value = text.substr(at, stop - at);
    at = stop;
  }
  return true;
}

std::string_view TagName(std::string_view tag, std::string_view& rest) {
  const size_t end = std::min(tag.find_first_of(" ="), tag.size());
  rest = tag.substr(end);
  return tag.substr(0, end);
}

int TagCount(std::string_view rest) {
  size_t at = 0;
  while (at < rest.size() && rest[at] == ' ') ++at;
  if (at >= rest.size() || rest[at] != '=') return 1;
  ++at;
  while (at < rest.size() && rest[at] == ' ') ++at;
  const size_t stop = std::min(rest.find(' ', at), rest.size());
  return ParseLength(rest.substr(at, stop - at), 1, false, LengthUnits{});
}
