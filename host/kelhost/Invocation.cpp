#include "Invocation.h"

#include <cstddef>
#include <string_view>
#include <utility>

namespace kel::kelhost {
namespace {

using host::Failure;
using host::Outcome;

constexpr std::string_view kSeeHelp = "; see kelhost --help";

// The arguments, consumed front to back.
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& arguments) : arguments_(arguments) {}

  bool Done() const noexcept { return next_ == arguments_.size(); }
  const std::string& Peek() const { return arguments_[next_]; }
  const std::string& Take() { return arguments_[next_++]; }
  std::vector<std::string> TakeRest() {
    std::vector<std::string> rest(arguments_.begin() + static_cast<std::ptrdiff_t>(next_),
                                  arguments_.end());
    next_ = arguments_.size();
    return rest;
  }

 private:
  const std::vector<std::string>& arguments_;
  std::size_t next_ = 0;
};

// The value of an option given as "--name VALUE" or "--name=VALUE"; nullopt when `argument`
// is not that option. Fails when the value is missing.
Outcome<std::optional<std::string>> OptionValue(std::string_view name, const std::string& argument,
                                                ArgumentCursor& cursor) {
  if (argument == name) {
    if (cursor.Done())
      return Failure{"option " + std::string(name) + " needs a value" + std::string(kSeeHelp)};
    return std::optional<std::string>(cursor.Take());
  }
  if (argument.size() > name.size() && argument.compare(0, name.size(), name) == 0 &&
      argument[name.size()] == '=') {
    return std::optional<std::string>(argument.substr(name.size() + 1));
  }
  return std::optional<std::string>();
}

Failure UnknownOption(const std::string& argument) {
  return Failure{"unknown option '" + argument + "'; put the arguments for the module after '--'" +
                 std::string(kSeeHelp)};
}

Invocation HelpInvocation() {
  Invocation invocation;
  invocation.mode = Invocation::Mode::kHelp;
  return invocation;
}

bool IsHelp(const std::string& argument) {
  return argument == "--help" || argument == "-h";
}

bool IsOptionLike(const std::string& argument) {
  return argument.size() > 1 && argument[0] == '-';
}

Outcome<Invocation> ReadInspect(ArgumentCursor& cursor) {
  Invocation invocation;
  invocation.mode = Invocation::Mode::kInspect;
  bool optionsEnded = false;
  while (!cursor.Done()) {
    const std::string& argument = cursor.Take();
    if (!optionsEnded && IsOptionLike(argument)) {
      if (IsHelp(argument)) return HelpInvocation();
      if (argument == "--") {
        optionsEnded = true;
      } else if (argument == "--json") {
        invocation.json = true;
      } else {
        return Failure{"unknown option '" + argument + "' for inspect" + std::string(kSeeHelp)};
      }
      continue;
    }
    if (invocation.modulePath) return Failure{"inspect takes one MODULE" + std::string(kSeeHelp)};
    invocation.modulePath = argument;
  }
  if (!invocation.modulePath) return Failure{"inspect needs a MODULE" + std::string(kSeeHelp)};
  return invocation;
}

Outcome<Invocation> ReadParse(ArgumentCursor& cursor) {
  Invocation invocation;
  while (!cursor.Done()) {
    const std::string& argument = cursor.Peek();
    if (!IsOptionLike(argument)) break;
    cursor.Take();
    if (argument == "--") {
      invocation.argumentsGiven = true;
      break;
    }
    if (IsHelp(argument)) return HelpInvocation();
    if (argument == "--version") {
      Invocation version;
      version.mode = Invocation::Mode::kVersion;
      return version;
    }
    if (argument == "--json") {
      invocation.json = true;
      continue;
    }
    if (argument == "--explain") {
      invocation.explain = true;
      continue;
    }
    if (argument == "--trace") {
      invocation.trace = true;
      continue;
    }
    Outcome<std::optional<std::string>> module = OptionValue("--module", argument, cursor);
    if (!module) return Failure{module.Error()};
    if (module.Value()) {
      invocation.modulePath = std::move(*module.Value());
      continue;
    }
    Outcome<std::optional<std::string>> file = OptionValue("--args-file", argument, cursor);
    if (!file) return Failure{file.Error()};
    if (file.Value()) {
      invocation.argumentsFile = std::move(*file.Value());
      continue;
    }
    return UnknownOption(argument);
  }
  invocation.arguments = cursor.TakeRest();
  if (!invocation.arguments.empty()) invocation.argumentsGiven = true;
  if (invocation.argumentsFile && !invocation.arguments.empty()) {
    return Failure{"--args-file and ARGs on the command line do not go together" +
                   std::string(kSeeHelp)};
  }
  return invocation;
}

}  // namespace

Outcome<Invocation> ReadInvocation(const std::vector<std::string>& arguments) {
  ArgumentCursor cursor(arguments);
  if (!cursor.Done() && cursor.Peek() == "inspect") {
    cursor.Take();
    return ReadInspect(cursor);
  }
  return ReadParse(cursor);
}

}  // namespace kel::kelhost
