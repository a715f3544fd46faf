#pragma once
// The option parser of the kvlctl subcommands: long options only, given as
// "--name value" or "--name=value", flags without a value, each at most once.
// Every failure is thrown as a UsageError that names the option at fault.
#include <cstdint>
#include <string>
#include <vector>

namespace kvl::ctl {

class CArgParser {
 public:
  // `command` names the subcommand in help texts ("read"); `synopsis` is the
  // usage line after "kvlctl <command>"; `description` follows it.
  CArgParser(std::string command, std::string synopsis, std::string description);

  // An option with a value. An empty default means "not given" unless required.
  void AddOption(const std::string& name, const std::string& valueName, const std::string& help,
                 const std::string& defaultValue = "", bool required = false);
  void AddFlag(const std::string& name, const std::string& help);
  // Arguments without "--" (file names...) are taken in order instead of refused.
  void AllowPositionals() { positionalsAllowed_ = true; }
  const std::vector<std::string>& Positionals() const { return positionals_; }
  // A paragraph printed after the options in --help.
  void AddNote(const std::string& text);

  // False when --help was given: the help is then printed to stdout and the
  // command should return 0. Throws UsageError on anything it cannot take.
  bool Parse(const std::vector<std::string>& args);

  // The full help text of the subcommand.
  std::string Help() const;

  bool Has(const std::string& name) const;  // given on the command line (flags too)
  std::string Text(const std::string& name) const;  // given value, else default
  // Integer value (decimal, or hexadecimal with 0x) in [min, max].
  long Int(const std::string& name, long min, long max) const;
  // Comma-separated integers and ranges ("1-20": 1 to 20), each in [min, max];
  // 1..maxItems of them.
  std::vector<long> IntList(const std::string& name, long min, long max, std::size_t maxItems) const;

  // The number parsing shared with other argument forms ("FIRST:COUNT").
  // Throws UsageError mentioning `what`.
  static long ParseInt(const std::string& text, long min, long max, const std::string& what);

 private:
  struct OptionDef {
    std::string name;
    std::string valueName;  // empty for a flag
    std::string help;
    std::string defaultValue;
    bool required = false;
    bool given = false;
    std::string value;
  };
  const OptionDef* Find(const std::string& name) const;
  OptionDef* Find(const std::string& name);
  const OptionDef& Declared(const std::string& name) const;

  std::string command_;
  std::string synopsis_;
  std::string description_;
  std::vector<OptionDef> options_;
  std::vector<std::string> notes_;
  bool positionalsAllowed_ = false;
  std::vector<std::string> positionals_;
};

}  // namespace kvl::ctl
