#include "BenchParser.h"

namespace kel::bench {

std::vector<NamedParser> MakeParsers(ICommandLineParametersParser& moduleParser,
                                     ICommandLineParametersParser& inProcessParser) {
  std::vector<NamedParser> parsers;
  parsers.push_back({"floor", "copy into strings (floor)", MakeCopyFloor()});
  parsers.push_back({"module", "ours, module file", MakePluginParser(moduleParser)});
  parsers.push_back({"in-process", "ours, linked in", MakePluginParser(inProcessParser)});
  parsers.push_back({"getopt", "glibc getopt_long", MakeGetoptParser()});
  parsers.push_back({"cxxopts", "cxxopts 3.1", MakeCxxoptsParser()});
  parsers.push_back({"cli11", "CLI11 2.1", MakeCli11Parser()});
  parsers.push_back({"boost", "Boost.Program_options 1.74", MakeBoostParser()});
  return parsers;
}

}  // namespace kel::bench
