// The floor: the arguments copied into strings, as any parser that keeps what it read must.
#include <string>
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

}  // namespace

std::unique_ptr<BenchParser> MakeCopyFloor() {
  return std::make_unique<CopyFloor>();
}

}  // namespace kel::bench
