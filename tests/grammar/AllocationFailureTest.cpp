// Exhausted memory must leave the split as std::bad_alloc, never be swallowed into a short
// result: the n-th allocation fails, for every n until the split needs no more.
#include <gtest/gtest.h>

#include <new>
#include <optional>

#include "CommandLineGrammar.h"
#include "FailingAllocation.h"

TEST(CommandLineSplitAllocation, EveryFailedAllocationLeavesAsBadAlloc) {
  // Texts longer than any small-string buffer, so copying one would allocate.
  const char* const argv[] = {"prog", "--alpha=a value longer than a small string",
                              "a free argument longer than a small string", "-g",
                              "--alpha=another value longer than a small string"};
  for (long allowed = 0;; ++allowed) {
    std::optional<CommandLineSplit> split;
    try {
      const FailingAllocation failing(allowed);
      split.emplace(5, argv);
    } catch (const std::bad_alloc&) {
      continue;
    }
    // The first run with enough memory; had an earlier failure been swallowed, that run
    // would have ended here with a short result. One allocation whatever the number of
    // arguments, and no text copied: the views of both collections and their scratch.
    EXPECT_EQ(allowed, 1);
    EXPECT_EQ(split->Options(),
              (OptionMap{{"alpha", "another value longer than a small string"}, {"g", ""}}));
    EXPECT_EQ(split->FreeArguments(),
              FreeArgumentSet{"a free argument longer than a small string"});
    break;
  }
}
