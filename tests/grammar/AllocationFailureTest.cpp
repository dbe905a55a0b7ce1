// Exhausted memory must leave SplitCommandLine as std::bad_alloc, never be swallowed into a
// short result: the n-th allocation fails, for every n until the parse needs no more. What
// the collections held before is cleared.
#include <gtest/gtest.h>

#include <new>

#include "CommandLineGrammar.h"
#include "FailingAllocation.h"

TEST(SplitCommandLineAllocation, EveryFailedAllocationLeavesAsBadAlloc) {
  // Texts longer than any small-string buffer, so copying one would allocate.
  const char* const argv[] = {"prog", "--alpha=a value longer than a small string",
                              "a free argument longer than a small string", "-g",
                              "--alpha=another value longer than a small string"};
  for (long allowed = 0;; ++allowed) {
    // Contents of an earlier use, which must not reach the result.
    OptionMap options{{"stale", "1"}};
    FreeArgumentSet freeArguments{"stale"};
    try {
      const FailingAllocation failing(allowed);
      SplitCommandLine(5, argv, options, freeArguments);
    } catch (const std::bad_alloc&) {
      continue;
    }
    // The first run with enough memory; had an earlier failure been swallowed, that run
    // would have ended here with a short result. Three allocations whatever the number of
    // arguments, and no text copied: one array of views per collection and the table that
    // finds the repeated option (the one free argument has nothing to find).
    EXPECT_EQ(allowed, 3);
    EXPECT_EQ(options,
              (OptionMap{{"alpha", "another value longer than a small string"}, {"g", ""}}));
    EXPECT_EQ(freeArguments, FreeArgumentSet{"a free argument longer than a small string"});
    break;
  }
}
