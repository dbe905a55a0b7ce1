#include "ParseThroughModule.h"

#include <cstdint>

#include "kel/ObjectPtr.h"

namespace kel::kelhost {
namespace {

using host::Failure;

constexpr char kProgramName[] = "kelhost";

std::string TextOf(IString& string) {
  return std::string(string.GetText(), string.GetLength());
}

std::string CallFailed(const char* call, ResultCode code) {
  return std::string(call) + " returned " + std::to_string(code);
}

host::Outcome<std::vector<std::pair<std::string, std::string>>> ReadOptions(
    ICommandLineParameters& parameters) {
  std::vector<std::pair<std::string, std::string>> options;
  ObjectPtr<ICommandLineOptionsIterator> iterator;
  const ResultCode created = parameters.CreateOptionsIterator(iterator.Put());
  if (created < 0 || !iterator) return Failure{CallFailed("CreateOptionsIterator", created)};
  for (; !iterator->IsEnd(); iterator->Next()) {
    const char* name = iterator->GetName();
    if (name == nullptr) return Failure{"the options iterator names no option"};
    bool hasValue = false;
    const ResultCode asked = iterator->HasValue(&hasValue);
    if (asked < 0) return Failure{CallFailed("HasValue", asked)};
    std::string value;
    if (hasValue) {
      ObjectPtr<IString> text;
      const ResultCode got = iterator->GetValue(text.Put());
      if (got < 0) return Failure{CallFailed("GetValue", got)};
      if (!text) return Failure{std::string("GetValue handed out no string for ") + name};
      value = TextOf(*text);
    }
    options.emplace_back(name, std::move(value));
  }
  return options;
}

host::Outcome<std::vector<std::string>> ReadFreeArguments(ICommandLineParameters& parameters) {
  ObjectPtr<ICollection> collection;
  const ResultCode got = parameters.GetFreeArguments(collection.Put());
  if (got < 0 || !collection) return Failure{CallFailed("GetFreeArguments", got)};
  std::vector<std::string> freeArguments;
  const std::uint32_t count = collection->GetCount();
  for (std::uint32_t index = 0; index < count; ++index) {
    ObjectPtr<IString> item;
    const ResultCode read = collection->GetItem(index, item.Put());
    if (read < 0) return Failure{CallFailed("GetItem", read)};
    if (!item) return Failure{"free argument " + std::to_string(index) + " is no string"};
    freeArguments.push_back(TextOf(*item));
  }
  return freeArguments;
}

}  // namespace

host::Outcome<ParseResult> ParseThroughModule(ICommandLineParametersParser& parser,
                                              const std::vector<std::string>& arguments) {
  std::vector<const char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(kProgramName);
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const ResultCode parsed =
      parser.Parse(static_cast<std::int32_t>(arguments.size() + 1), argv.data());
  if (parsed < 0) return Failure{CallFailed("Parse", parsed)};

  ObjectPtr<ICommandLineParameters> parameters;
  const ResultCode got = parser.GetParameters(parameters.Put());
  if (got < 0 || !parameters) return Failure{CallFailed("GetParameters", got)};

  host::Outcome<std::vector<std::pair<std::string, std::string>>> options =
      ReadOptions(*parameters);
  if (!options) return Failure{options.Error()};
  host::Outcome<std::vector<std::string>> freeArguments = ReadFreeArguments(*parameters);
  if (!freeArguments) return Failure{freeArguments.Error()};
  return ParseResult{std::move(options).Value(), std::move(freeArguments).Value()};
}

}  // namespace kel::kelhost
