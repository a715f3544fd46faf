#pragma once
// The damages disks, copies and hand edits do to a text file, applied to the
// bytes of a good one, for the readers' damage tables. Each has a name the
// tables key their expectation on.
#include <string>
#include <string_view>
#include <vector>

namespace kvl::testing {

struct Damage {
  std::string name;
  std::string bytes;
};

// Stand-ins for one number: what a damaged or hand-edited file carries instead.
inline constexpr std::string_view kBadTokens[] = {"nan", "inf", "-inf", "1e300", "-1", "65536", "99999", "", "word"};

// "cut at a line end", "cut in the last value", "CR only", "LF only",
// "NUL tail", "byte-order mark", "0 bytes" of a file with CR LF line ends.
inline std::vector<Damage> StructuralDamages(const std::string& good) {
  auto replaced = [&](std::string_view from, std::string_view to) {
    std::string out;
    for (std::size_t i = 0; i < good.size();) {
      if (good.compare(i, from.size(), from) == 0) {
        out += to;
        i += from.size();
      } else {
        out += good[i++];
      }
    }
    return out;
  };
  const std::size_t lastLine = good.rfind('\n', good.size() - 2) + 1;
  return {{"cut at a line end", good.substr(0, lastLine)},
          {"cut in the last value", good.substr(0, good.size() - 3)},
          {"CR only", replaced("\r\n", "\r")},
          {"LF only", replaced("\r\n", "\n")},
          {"NUL tail", good + std::string(300, '\0')},
          {"byte-order mark", "\xEF\xBB\xBF" + good},
          {"0 bytes", ""}};
}

// The token at [at, at + size) replaced by each of kBadTokens, named "<what>=<token>".
inline std::vector<Damage> TokenDamages(const std::string& good, std::size_t at, std::size_t size,
                                        const std::string& what) {
  std::vector<Damage> out;
  for (std::string_view t : kBadTokens)
    out.push_back({what + "=" + std::string(t), good.substr(0, at) + std::string(t) + good.substr(at + size)});
  return out;
}

// Where the n-th blank-separated token (0 first) of the line starting at `line` lies.
inline std::pair<std::size_t, std::size_t> TokenAt(const std::string& text, std::size_t line, int n) {
  std::size_t b = line;
  for (int k = 0;; ++k) {
    b = text.find_first_not_of(" \t", b);
    const std::size_t e = text.find_first_of(" \t\r\n", b);
    if (k == n) return {b, e - b};
    b = e;
  }
}

}  // namespace kvl::testing
