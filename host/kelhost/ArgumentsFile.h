// Arguments read from a file, byte for byte: the way to hand kelhost arguments that a
// command line cannot carry unchanged (bytes that are not UTF-8, on Windows).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "kel/host/Outcome.h"

namespace kel::kelhost {

// The largest arguments file read, and the most arguments taken from one: about what the
// largest command line a system passes to a process holds, so that a file holding only NUL
// bytes cannot make kelhost allocate tens of bytes for each of its bytes.
inline constexpr std::size_t kMaxArgumentsFileBytes = std::size_t{64} << 20;
inline constexpr std::size_t kMaxArguments = std::size_t{1} << 20;

// Splits `bytes` into arguments, each ended by a NUL byte (as `find -print0` writes them).
// Bytes after the last NUL form no argument and make the content malformed; more than
// kMaxArguments arguments are refused.
host::Outcome<std::vector<std::string>> SplitNulTerminated(std::string_view bytes);

// Reads the file at `path` (UTF-8), refused when it is larger than kMaxArgumentsFileBytes,
// and splits it as above; failures name the file.
host::Outcome<std::vector<std::string>> ReadArgumentsFile(const std::string& path);

}  // namespace kel::kelhost
