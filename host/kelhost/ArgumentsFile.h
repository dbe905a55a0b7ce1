// Arguments read from a file, byte for byte: the way to hand kelhost arguments that a
// command line cannot carry unchanged (bytes that are not UTF-8, on Windows).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::kelhost {

// Splits `bytes` into arguments, each ended by a NUL byte (as `find -print0` writes them).
// Bytes after the last NUL form no argument and make the content malformed.
host::Outcome<std::vector<std::string>> SplitNulTerminated(std::string_view bytes);

// Reads the file at `path` (UTF-8) and splits it as above; failures name the file.
host::Outcome<std::vector<std::string>> ReadArgumentsFile(const std::string& path);

}  // namespace kel::kelhost
