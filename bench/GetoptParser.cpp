// glibc getopt_long, told the declared options; the values go into one string per option.
#include <getopt.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {
namespace {

// getopt_long's code for the long option at index i of DeclaredOptions() is kLongCode + i.
constexpr int kLongCode = 0x1000;
// The code of a free argument when the option string begins with '-'.
constexpr int kFreeArgumentCode = 1;

class GetoptParser final : public BenchParser {
 public:
  GetoptParser() {
    // '-' returns free arguments in place (so argv is never permuted), ':' keeps getopt
    // from printing about arguments it does not know.
    optionString_ = "-:";
    shortIndex_.fill(-1);
    const auto declared = DeclaredOptions();
    for (std::size_t index = 0; index < declared.size(); ++index) {
      const DeclaredOption& option = declared[index];
      if (option.IsShort()) {
        optionString_ += option.name;
        if (option.takesValue) optionString_ += ':';
        shortIndex_[static_cast<unsigned char>(option.name[0])] = static_cast<int>(index);
      } else {
        longOptions_.push_back({option.name, option.takesValue ? required_argument : no_argument,
                                nullptr, kLongCode + static_cast<int>(index)});
      }
    }
    longOptions_.push_back({nullptr, 0, nullptr, 0});
  }

  void Parse(int argc, const char* const* argv) override {
    Values values(DeclaredOptions().size());
    std::vector<std::string> freeArguments;
    opterr = 0;
    optind = 0;  // 0, not 1: glibc starts over, forgetting where the last scan stopped
    // Safe: with the leading '-' glibc neither permutes argv nor writes to the arguments.
    char* const* arguments = const_cast<char* const*>(argv);
    for (int code; (code = getopt_long(argc, arguments, optionString_.c_str(), longOptions_.data(),
                                       nullptr)) != -1;) {
      if (code == kFreeArgumentCode) {
        freeArguments.emplace_back(optarg);
      } else if (const int index = IndexOf(code); index >= 0) {
        values[static_cast<std::size_t>(index)] = optarg ? optarg : "";
      }
      // '?' and ':' stand for arguments no declared option matches: dropped.
    }
    SortDistinct(freeArguments);
    values_ = std::move(values);
    freeArguments_ = std::move(freeArguments);
  }

  std::optional<ParsedCommandLine> Outcome() override {
    ParsedCommandLine outcome;
    const auto declared = DeclaredOptions();
    for (std::size_t index = 0; index < values_.size(); ++index) {
      if (values_[index]) outcome.options[declared[index].name] = *values_[index];
    }
    outcome.freeArguments = freeArguments_;
    return outcome;
  }

 private:
  using Values = std::vector<std::optional<std::string>>;  // by index of DeclaredOptions()

  int IndexOf(int code) const noexcept {
    if (code >= kLongCode) return code - kLongCode;
    if (code > 0 && code < 256) return shortIndex_[static_cast<std::size_t>(code)];
    return -1;
  }

  std::string optionString_;
  std::vector<option> longOptions_;
  std::array<int, 256> shortIndex_{};  // index in DeclaredOptions() by letter, or -1
  Values values_;
  std::vector<std::string> freeArguments_;
};

}  // namespace

std::unique_ptr<BenchParser> MakeGetoptParser() {
  return std::make_unique<GetoptParser>();
}

}  // namespace kel::bench
