#pragma once
// The damages disks, copies and hand edits do to a text file, applied to the
// bytes of a good one (CR LF line ends), for the readers' damage tables; each
// has a name the tables key their expectations on.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kvl::testing {

struct Damage {
  std::string name;
  std::string bytes;
};

inline std::vector<Damage> StructuralDamages(const std::string& good) {
  auto lineEnds = [&](const char* to) {
    std::string out;
    for (std::size_t i = 0; i < good.size(); ++i) {
      const bool crlf = good.compare(i, 2, "\r\n") == 0;
      out += crlf ? std::string(to) : good.substr(i, 1);
      i += crlf;
    }
    return out;
  };
  return {{"cut at a line end", good.substr(0, good.rfind('\n', good.size() - 2) + 1)},
          {"cut in the last value", good.substr(0, good.size() - 3)},
          {"CR only", lineEnds("\r")}, {"LF only", lineEnds("\n")},
          {"NUL tail", good + std::string(300, '\0')}, {"byte-order mark", "\xEF\xBB\xBF" + good}, {"0 bytes", ""}};
}

// The token at [at, at + size) replaced by each stand-in for a number, named "<what>=<token>".
inline std::vector<Damage> TokenDamages(const std::string& good, std::size_t at, std::size_t size,
                                        const std::string& what) {
  std::vector<Damage> out;
  for (const char* t : {"nan", "inf", "-inf", "1e300", "-1", "65536", "99999", "", "word"})
    out.push_back({what + "=" + t, good.substr(0, at) + t + good.substr(at + size)});
  return out;
}

// Where the n-th blank-separated token (0 first) of the line starting at `line` lies.
inline std::pair<std::size_t, std::size_t> TokenAt(const std::string& text, std::size_t line, int n) {
  for (std::size_t b = line;; --n) {
    b = text.find_first_not_of(" \t", b);
    const std::size_t e = text.find_first_of(" \t\r\n", b);
    if (n == 0) return {b, e - b};
    b = e;
  }
}

}  // namespace kvl::testing
