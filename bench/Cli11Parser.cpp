// CLI11, told the declared options (the last occurrence of each wins) and a positional list
// for the free arguments; it sets aside what it does not know.
#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {
namespace {

class Cli11Parser final : public BenchParser {
 public:
  Cli11Parser() : values_(DeclaredOptions().size()) {
    const auto declared = DeclaredOptions();
    for (std::size_t index = 0; index < declared.size(); ++index) {
      const DeclaredOption& option = declared[index];
      const std::string name = (option.IsShort() ? "-" : "--") + std::string(option.name);
      options_.push_back(option.takesValue
                             ? app_.add_option(name, values_[index])
                                   ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast)
                             : app_.add_flag(name));
    }
    app_.add_option("free", freeArguments_);
    app_.allow_extras();
  }

  void Parse(int argc, const char* const* argv) override {
    freeArguments_.clear();  // CLI11 leaves a bound variable alone when nothing is given
    app_.parse(argc, argv);
    SortDistinct(freeArguments_);
  }

  std::optional<ParsedCommandLine> Outcome() override {
    ParsedCommandLine outcome;
    const auto declared = DeclaredOptions();
    for (std::size_t index = 0; index < declared.size(); ++index) {
      if (options_[index]->count() == 0) continue;
      outcome.options[declared[index].name] = declared[index].takesValue ? values_[index] : "";
    }
    outcome.freeArguments = freeArguments_;
    return outcome;
  }

 private:
  CLI::App app_;
  // Bound to the options by address: sized once, never resized.
  std::vector<std::string> values_;
  std::vector<CLI::Option*> options_;  // owned by app_, by index of DeclaredOptions()
  std::vector<std::string> freeArguments_;
};

}  // namespace

std::unique_ptr<BenchParser> MakeCli11Parser() {
  return std::make_unique<Cli11Parser>();
}

}  // namespace kel::bench
