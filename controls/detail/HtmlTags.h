// Reading the inside of a markup tag: its name and its attributes one by one.
#pragma once
#include <string>
#include <string_view>

struct TagAttribute {
  std::string_view name;
  std::string_view value;
};

// Walks "name=value name2="quoted value" flag" after a tag's name.
class TagAttributes {
 public:
  explicit TagAttributes(std::string_view text) : text(text) {}
  bool Next(TagAttribute& attribute);

 private:
  void SkipSpaces() {
    while (at < text.size() && text[at] == ' ') ++at;
  }
  std::string_view text;
  size_t at = 0;
};

// Tag names, attribute names and selectors compare without case.
std::string Lower(std::string_view text);
// The tag's name (up to a space or "=") and what follows it.
std::string_view TagName(std::string_view tag, std::string_view& rest);
// The count of a "br" or "t" tag: "=" and a value right after the name; 1 otherwise.
int TagCount(std::string_view rest);
