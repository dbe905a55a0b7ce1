// Ours: Parse through the plug-in's parsing interface, which replaces the current result.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "BenchParser.h"
#include "ICommandLineParametersParser.h"
#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"

namespace kel::bench {
namespace {

std::string TextOf(IString* string) {
  return string ? std::string(string->GetText(), string->GetLength()) : std::string();
}

ParsedCommandLine ReadParameters(ICommandLineParameters& parameters) {
  ParsedCommandLine outcome;
  for (auto iterator = parameters.GetOptionsIterator(); iterator && !iterator->IsEnd();
       iterator->Next()) {
    ObjectPtr<IString> value;
    // An empty value is reported as -1 and leaves `value` empty.
    iterator->GetValue(value.Put());
    outcome.options[iterator->GetName()] = TextOf(value.Get());
  }
  ObjectPtr<ICollection> freeArguments;
  if (parameters.GetFreeArguments(freeArguments.Put()) != result::kOk || !freeArguments) {
    throw std::runtime_error("GetFreeArguments failed");
  }
  for (std::uint32_t index = 0; index < freeArguments->GetCount(); ++index) {
    ObjectPtr<IString> item;
    freeArguments->GetItem(index, item.Put());
    outcome.freeArguments.push_back(TextOf(item.Get()));
  }
  return outcome;
}

class PluginParser final : public BenchParser {
 public:
  explicit PluginParser(ICommandLineParametersParser& parser) : parser_(parser) {}

  void Parse(int argc, const char* const* argv) override {
    if (parser_.Parse(argc, argv) != result::kOk) throw std::runtime_error("Parse failed");
  }
  std::optional<ParsedCommandLine> Outcome() override {
    ObjectPtr<ICommandLineParameters> parameters;
    if (parser_.GetParameters(parameters.Put()) != result::kOk || !parameters) {
      throw std::runtime_error("GetParameters failed");
    }
    return ReadParameters(*parameters);
  }

 private:
  ICommandLineParametersParser& parser_;  // borrowed; outlives this object
};

}  // namespace

std::unique_ptr<BenchParser> MakePluginParser(ICommandLineParametersParser& parser) {
  return std::make_unique<PluginParser>(parser);
}

}  // namespace kel::bench
