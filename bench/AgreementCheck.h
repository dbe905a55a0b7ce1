// Checks before any measurement that every parser reads the workload as the grammar does,
// so that the comparison is between parsers doing the same job.
#pragma once

#include <ostream>
#include <span>

#include "BenchParser.h"

namespace kel::bench {

// Parses `workload` with each parser that parses and reads its kind, and compares the
// outcome with the expected one. Writes the first difference of each parser that disagrees to
// `out`; true when all agree.
bool ParsersAgree(std::span<NamedParser> parsers, const Workload& workload, std::ostream& out);

}  // namespace kel::bench
