#include "AgreementCheck.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace kel::bench {
namespace {

std::string Describe(const std::string& freeArgument) {
  return "free argument \"" + freeArgument + "\"";
}

std::string Describe(const std::pair<const std::string, std::string>& option) {
  return "option \"" + option.first + "\" = \"" + option.second + "\"";
}

template <class Range>
std::string FirstInOnly(const Range& these, const Range& those) {
  Range only;
  std::set_difference(these.begin(), these.end(), those.begin(), those.end(),
                      std::inserter(only, only.end()));
  return only.empty() ? std::string("nothing") : Describe(*only.begin());
}

void ReportDifference(const std::string& label, const ParsedCommandLine& outcome,
                      const ParsedCommandLine& expected, std::ostream& out) {
  out << label << " disagrees with the grammar:";
  if (outcome.options != expected.options) {
    out << " it has " << FirstInOnly(outcome.options, expected.options) << " where the grammar has "
        << FirstInOnly(expected.options, outcome.options) << ";";
  }
  if (outcome.freeArguments != expected.freeArguments) {
    out << " it has " << FirstInOnly(outcome.freeArguments, expected.freeArguments)
        << " where the grammar has " << FirstInOnly(expected.freeArguments, outcome.freeArguments)
        << " (" << outcome.freeArguments.size() << " free arguments, not "
        << expected.freeArguments.size() << ");";
  }
  out << '\n';
}

}  // namespace

bool ParsersAgree(std::span<NamedParser> parsers, const Workload& workload, std::ostream& out) {
  bool agree = true;
  for (NamedParser& named : parsers) {
    if (!named.Reads(workload.Kind())) continue;
    named.parser->Parse(workload.Argc(), workload.Argv());
    const std::optional<ParsedCommandLine> outcome = named.parser->Outcome();
    if (!outcome || *outcome == workload.Expected()) continue;
    ReportDifference(named.label + " on the " + IdOf(workload.Kind()) + " workload", *outcome,
                     workload.Expected(), out);
    agree = false;
  }
  return agree;
}

}  // namespace kel::bench
