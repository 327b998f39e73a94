// Words joined with a separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tool {

inline std::string Joined(const std::vector<std::string>& words, std::string_view separator) {
  std::string text;
  for (const std::string& word : words) {
    if (!text.empty()) text.append(separator);
    text.append(word);
  }
  return text;
}

}  // namespace tool
