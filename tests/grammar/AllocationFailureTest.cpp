// Exhausted memory must leave SplitCommandLine as std::bad_alloc, never be swallowed into a
// short result: the n-th allocation fails, for every n until the parse needs no more.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>

#include "CommandLineGrammar.h"
#include "FailingAllocation.h"

namespace {

using ::testing::ElementsAre;
using ::testing::Pair;

TEST(SplitCommandLineAllocation, EveryFailedAllocationLeavesAsBadAlloc) {
  // Values longer than any small-string buffer, so strings allocate as well as tree nodes.
  const char* const argv[] = {"prog",
                              "--alpha=a value longer than a small string",
                              "a free argument longer than a small string",
                              "-g",
                              "--alpha=another value longer than a small string",
                              nullptr};
  long failures = 0;
  for (long allowed = 0;; ++allowed) {
    OptionMap options;
    FreeArgumentSet freeArguments;
    bool threw = false;
    {
      const FailingAllocation failing(allowed);
      try {
        SplitCommandLine(5, argv, options, freeArguments);
      } catch (const std::bad_alloc&) {
        threw = true;
      }
    }
    if (threw) {
      ++failures;
      continue;
    }
    // The first run with enough memory. Had any earlier failure been swallowed, that earlier
    // run would have ended here with a short result. Three allocations, whatever the number
    // of arguments: one array of views per collection, and the table that finds the repeated
    // option (the one free argument has nothing to find).
    EXPECT_EQ(failures, 3);
    EXPECT_THAT(options, ElementsAre(Pair("alpha", "another value longer than a small string"),
                                     Pair("g", "")));
    EXPECT_THAT(freeArguments, ElementsAre("a free argument longer than a small string"));
    break;
  }
}

}  // namespace
