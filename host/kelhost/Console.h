// kelhost's standard streams, written through the C library. kelhost uses no C++ stream, so a
// run does not pay for setting up the C++ stream library; the module's own lines go through
// the same C streams, so everything keeps the order it was written in.
#pragma once

#include <string_view>

namespace kel::kelhost {

// Writes `text` to standard output and flushes it.
void WriteOutput(std::string_view text);

// Writes `line` and a line end to standard error, after flushing standard output so that a
// terminal showing both shows them in order.
void WriteErrorLine(std::string_view line);

}  // namespace kel::kelhost
