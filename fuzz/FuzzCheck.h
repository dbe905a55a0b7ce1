// How the reader fuzzers report a violated property: on standard error, then abort, which
// libFuzzer records as a crash with the input that caused it.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition) ::kel::fuzz::Require((condition), #condition)

namespace kel::fuzz {

inline void Require(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "reader property violated: %s\n", what);
  std::abort();
}

}  // namespace kel::fuzz
