#pragma once
// The `key = value` grammar the chamber and valve profiles share: a table of
// keys, each with the field it fills and the kind of value it takes, walked
// over the file's lines in order. The first bad line refuses the file.
//
// What it owns: splitting lines, comments, quoting, and the refusal text.
// What it never does: know which keys a profile has or how they agree.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/language.h"

namespace kvl {

class CKeyedProfile {
 public:
  CKeyedProfile(std::string fileName, LanguageIndex lang) : fileName_(std::move(fileName)), lang_(lang) {}

  void Whole(const char* key, long long lo, long long hi, int* field);
  void Decimal(const char* key, double lo, double hi, double* field);
  void Text(const char* key, std::string* field);
  // One of the words (matched exactly); the field gets its index.
  void Choice(const char* key, std::vector<std::string> words, int* field);
  void Flag(const char* key, bool* field);  // yes / no

  // Reads every line; false with the refusal in *error.
  bool Read(std::string_view text, std::string* error);
  // Whether the file gave the key, and on which line (0 when not).
  int LineOf(const char* key) const;

  // Refusals of the checks across keys, named as the line refusals are.
  std::string MissingKey(const char* key) const;
  std::string Conflict(const char* key, const char* other) const;

 private:
  enum class Fault { kNone, kNotANumber, kNotWhole, kOutOfRange, kNotAChoice, kEmpty };
  struct Key {
    std::string name;
    std::function<Fault(const std::string& value)> take;
    std::string choices;  // for the refusal of a choice
    int line = 0;
  };
  Key* Find(std::string_view name);
  bool ReadLine(std::string_view line, int number, std::string* error);
  std::string Refusal(int line, const char* reason, std::string_view token) const;

  std::string fileName_;
  LanguageIndex lang_;
  std::vector<Key> keys_;
};

}  // namespace kvl
