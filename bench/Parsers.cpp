#include "BenchParser.h"

namespace kel::bench {

std::vector<NamedParser> MakeParsers(ICommandLineParametersParser& moduleParser,
                                     ICommandLineParametersParser& inProcessParser) {
  std::vector<NamedParser> parsers;
  constexpr std::size_t kAll = SIZE_MAX;
  parsers.push_back({"floor", "copy into strings (floor)", MakeCopyFloor(), kAll, true});
  parsers.push_back(
      {"trim-floor", "trim, copy into strings (floor)", MakeTrimCopyFloor(), kAll, true});
  parsers.push_back({"module", "ours, module file", MakePluginParser(moduleParser), kAll, true});
  parsers.push_back(
      {"in-process", "ours, linked in", MakePluginParser(inProcessParser), kAll, true});
  parsers.push_back({"getopt", "glibc getopt_long", MakeGetoptParser()});
  parsers.push_back({"cxxopts", "cxxopts 3.1", MakeCxxoptsParser()});
  parsers.push_back({"cli11", "CLI11 2.1", MakeCli11Parser()});
  // Its parse takes time quadratic in the argument count: a third of a minute for 10^5
  // arguments, so over half an hour for 10^6.
  parsers.push_back(
      {"boost", "Boost.Program_options 1.74", MakeBoostParser(), /*maxArguments=*/100'000});
  return parsers;
}

}  // namespace kel::bench
