// Boost.Program_options, told the declared options and a positional list for the free
// arguments; unregistered options are allowed and ignored. Options may repeat, so each
// keeps every value given (the last wins) and a flag is a value list without tokens.
#include <boost/program_options.hpp>
#include <memory>
#include <string>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {
namespace {

namespace po = boost::program_options;
using Values = std::vector<std::string>;
constexpr const char* kFree = "free";

class BoostParser final : public BenchParser {
 public:
  BoostParser() {
    auto add = description_.add_options();
    for (const DeclaredOption& option : DeclaredOptions()) {
      const std::string name = (option.IsShort() ? "," : "") + std::string(option.name);
      // The description takes the value semantics po::value makes.
      add(name.c_str(),
          option.takesValue ? po::value<Values>() : po::value<Values>()->zero_tokens());
    }
    add(kFree, po::value<Values>());
    positional_.add(kFree, -1);
  }

  void Parse(int argc, const char* const* argv) override {
    auto values = std::make_unique<po::variables_map>();
    po::store(po::command_line_parser(argc, argv)
                  .options(description_)
                  .positional(positional_)
                  .allow_unregistered()
                  .run(),
              *values);
    Values freeArguments;
    if (values->count(kFree) != 0) freeArguments = (*values)[kFree].as<Values>();
    SortDistinct(freeArguments);
    values_ = std::move(values);
    freeArguments_ = std::move(freeArguments);
  }

  std::optional<ParsedCommandLine> Outcome() override {
    ParsedCommandLine outcome;
    for (const DeclaredOption& option : DeclaredOptions()) {
      // Boost keys a short-only option by its dash and letter.
      const std::string key = (option.IsShort() ? "-" : "") + std::string(option.name);
      if (values_->count(key) == 0) continue;
      const Values& given = (*values_)[key].as<Values>();
      outcome.options[option.name] = option.takesValue ? given.back() : "";
    }
    outcome.freeArguments = freeArguments_;
    return outcome;
  }

 private:
  po::options_description description_;
  po::positional_options_description positional_;
  std::unique_ptr<po::variables_map> values_ = std::make_unique<po::variables_map>();
  Values freeArguments_;
};

}  // namespace

std::unique_ptr<BenchParser> MakeBoostParser() {
  return std::make_unique<BoostParser>();
}

}  // namespace kel::bench
