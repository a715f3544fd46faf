#pragma once
// Line surgery on configuration texts for the tests of this folder.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "support/temp_folder.h"

namespace kvl::testing {

using test::TempFolder;

// Replaces the content of line `number` (1-based, lines split at LF) and keeps
// its line end; a text shorter than `number` lines is extended with CR LF lines.
inline std::string ReplaceLine(std::string text, int number, std::string_view content) {
  std::size_t begin = 0;
  for (int n = 1; n < number; ++n) {
    const std::size_t lf = text.find('\n', begin);
    if (lf == std::string::npos) {
      text += "\r\n";
      begin = text.size();
    } else {
      begin = lf + 1;
    }
  }
  std::size_t end = text.find('\n', begin);
  if (end == std::string::npos) end = text.size();
  if (end > begin && text[end - 1] == '\r') --end;
  text.replace(begin, end - begin, content);
  return text;
}

// Content of line `number` (1-based) without its line end.
inline std::string LineAt(std::string_view text, int number) {
  std::size_t begin = 0;
  for (int n = 1; n < number; ++n) {
    const std::size_t lf = text.find('\n', begin);
    if (lf == std::string_view::npos) return {};
    begin = lf + 1;
  }
  std::size_t end = text.find('\n', begin);
  if (end == std::string_view::npos) end = text.size();
  if (end > begin && text[end - 1] == '\r') --end;
  return std::string(text.substr(begin, end - begin));
}

}  // namespace kvl::testing
