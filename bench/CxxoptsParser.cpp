// cxxopts, told the declared options and a positional list for the free arguments; it
// ignores what it does not know.
#include <cxxopts.hpp>
#include <string>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {
namespace {

constexpr const char* kFree = "free";

class CxxoptsParser final : public BenchParser {
 public:
  CxxoptsParser() : options_("bench") {
    auto add = options_.add_options();
    for (const DeclaredOption& option : DeclaredOptions()) {
      if (option.takesValue) {
        add(option.name, "", cxxopts::value<std::string>());
      } else {
        add(option.name, "");
      }
    }
    add(kFree, "", cxxopts::value<std::vector<std::string>>());
    options_.parse_positional({kFree});
    options_.allow_unrecognised_options();
  }

  void Parse(int argc, const char* const* argv) override {
    result_ = options_.parse(argc, argv);
    std::vector<std::string> freeArguments;
    if (result_.count(kFree) != 0) freeArguments = result_[kFree].as<std::vector<std::string>>();
    SortDistinct(freeArguments);
    freeArguments_ = std::move(freeArguments);
  }

  std::optional<ParsedCommandLine> Outcome() override {
    ParsedCommandLine outcome;
    for (const DeclaredOption& option : DeclaredOptions()) {
      if (result_.count(option.name) == 0) continue;
      outcome.options[option.name] =
          option.takesValue ? result_[option.name].as<std::string>() : std::string();
    }
    outcome.freeArguments = freeArguments_;
    return outcome;
  }

 private:
  cxxopts::Options options_;
  cxxopts::ParseResult result_;
  std::vector<std::string> freeArguments_;
};

}  // namespace

std::unique_ptr<BenchParser> MakeCxxoptsParser() {
  return std::make_unique<CxxoptsParser>();
}

}  // namespace kel::bench
