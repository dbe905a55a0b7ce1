// The floors: the arguments copied into strings, as any parser that keeps what it read must,
// and the same after trimming them, as any parser of this grammar must.
#include <string>
#include <string_view>
#include <vector>

#include "BenchParser.h"

namespace kel::bench {
namespace {

class CopyFloor final : public BenchParser {
 public:
  void Parse(int argc, const char* const* argv) override {
    std::vector<std::string> copies(argv + 1, argv + argc);
    copies_ = std::move(copies);
  }
  std::optional<ParsedCommandLine> Outcome() override { return std::nullopt; }

 private:
  std::vector<std::string> copies_;
};

class TrimCopyFloor final : public BenchParser {
 public:
  void Parse(int argc, const char* const* argv) override {
    std::vector<std::string> copies;
    copies.reserve(static_cast<std::size_t>(argc > 1 ? argc - 1 : 0));
    for (int index = 1; index < argc; ++index) {
      const std::string_view argument = argv[index];
      const std::size_t first = argument.find_first_not_of(' ');
      copies.emplace_back(first == std::string_view::npos
                              ? std::string_view()
                              : argument.substr(first, argument.find_last_not_of(' ') + 1 - first));
    }
    copies_ = std::move(copies);
  }
  std::optional<ParsedCommandLine> Outcome() override { return std::nullopt; }

 private:
  std::vector<std::string> copies_;
};

}  // namespace

std::unique_ptr<BenchParser> MakeCopyFloor() {
  return std::make_unique<CopyFloor>();
}

std::unique_ptr<BenchParser> MakeTrimCopyFloor() {
  return std::make_unique<TrimCopyFloor>();
}

}  // namespace kel::bench
