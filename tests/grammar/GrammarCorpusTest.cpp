// Replays the golden corpus through SplitCommandLine, and checks the corpus reader itself,
// since a reader that skipped or misread lines would let the replay pass on nothing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "CommandLineGrammar.h"
#include "GoldenCorpus.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::Pair;
using ::testing::ThrowsMessage;

TEST(GrammarCorpus, EveryCaseYieldsItsOptionsAndFreeArguments) {
  const std::vector<GoldenCase> cases = ReadGoldenCorpus(KEL_GRAMMAR_CORPUS);
  // A corpus cut short by a bad edit would otherwise pass with whatever cases remain.
  ASSERT_GE(cases.size(), 60u);
  for (const GoldenCase& goldenCase : cases) {
    SCOPED_TRACE(DescribeCase(goldenCase));
    const std::vector<const char*> argv = MakeArgv(goldenCase);
    OptionMap options;
    FreeArgumentSet freeArguments;
    SplitCommandLine(goldenCase.argc, argv.data(), options, freeArguments);
    EXPECT_THAT(options, ElementsAreArray(goldenCase.options));
    EXPECT_THAT(freeArguments, ElementsAreArray(goldenCase.freeArguments));
  }
}

TEST(GoldenCorpusReader, DecodesEscapesAndFields) {
  std::istringstream in(
      "# a comment\n"
      "\n"
      "  case escapes, fields and an argc of its own\r\n"
      "argc -2\n"
      "arg \"a\\\\b\\\"c\\td\\re\\nf\\x80\\xfF=\"\n"
      "arg \"\"\n"
      "option \"n\" \"\"\n"
      "option \"m\" \"x y\"\n"
      "free \"z\"\n"
      "end\n"
      "case argc defaults to the number of arg lines\n"
      "\targ \"p\"  \n"
      "\targ \"q\"\n"
      "end\n");
  const std::vector<GoldenCase> cases = ParseGoldenCorpus(in, "memory");
  ASSERT_EQ(cases.size(), 2u);
  EXPECT_EQ(cases[0].description, "escapes, fields and an argc of its own");
  EXPECT_EQ(cases[0].line, 3);
  EXPECT_EQ(cases[0].argc, -2);
  EXPECT_THAT(cases[0].argv, ElementsAre("a\\b\"c\td\re\nf\x80\xFF=", ""));
  EXPECT_THAT(cases[0].options, ElementsAre(Pair("n", ""), Pair("m", "x y")));
  EXPECT_THAT(cases[0].freeArguments, ElementsAre("z"));
  EXPECT_EQ(DescribeCase(cases[0]), "memory:3: escapes, fields and an argc of its own");
  EXPECT_EQ(cases[1].argc, 2);
  EXPECT_THAT(cases[1].argv, ElementsAre("p", "q"));
  EXPECT_EQ(cases[1].line, 11);
}

TEST(GoldenCorpusReader, ArgvIsNullTerminatedAndPointsIntoTheCase) {
  GoldenCase goldenCase;
  goldenCase.argv = {"prog", "--x"};
  const std::vector<const char*> argv = MakeArgv(goldenCase);
  ASSERT_EQ(argv.size(), 3u);
  EXPECT_EQ(argv[0], goldenCase.argv[0].c_str());
  EXPECT_EQ(argv[1], goldenCase.argv[1].c_str());
  EXPECT_EQ(argv[2], nullptr);
}

struct MalformedCorpus {
  const char* text;
  const char* message;  // expected within the exception's message
};

TEST(GoldenCorpusReader, RejectsMalformedInputNamingFileAndLine) {
  const MalformedCorpus rows[] = {
      {"arg \"x\"\n", "memory:1: 'arg' outside a case"},
      {"case a\nend\nend\n", "memory:3: 'end' outside a case"},
      {"case a\ncase b\n", "memory:2: case before the end of the case at line 1"},
      {"case\n", "memory:1: case without a description"},
      {"case a\narg \"p\"\n", "memory:1: case not closed by 'end'"},
      {"case a\nargs \"p\"\nend\n", "memory:2: unknown keyword 'args'"},
      {"case a\narg p\nend\n", "memory:2: expected a quoted string"},
      {"case a\narg \"p\nend\n", "memory:2: unterminated quoted string"},
      {"case a\narg \"p\\\"\nend\n", "memory:2: unterminated quoted string"},
      {"case a\narg \"p\" \"q\"\nend\n", "memory:2: unexpected text after the last field"},
      {"case a\noption \"n\"\nend\n", "memory:2: expected a quoted string"},
      {"case a\narg \"\\q\"\nend\n", "memory:2: unknown escape \\q"},
      {"case a\narg \"\\x4\"\nend\n", "memory:2: \\x needs two hex digits"},
      {"case a\narg \"\\x4g\"\nend\n", "memory:2: \\x needs two hex digits"},
      {"case a\narg \"\\x00\"\nend\n", "memory:2: NUL cannot occur in an argument"},
      {"case a\nargc two\nend\n", "memory:2: expected a 32-bit integer"},
      {"case a\nargc 3000000000\nend\n", "memory:2: expected a 32-bit integer"},
      {"case a\nargc 1\nargc 1\narg \"p\"\nend\n", "memory:3: argc given twice"},
      {"case a\nargc 3\narg \"p\"\narg \"q\"\nend\n",
       "memory:5: argc 3 exceeds the 2 arg lines of the case"},
      {"case a\nend x\n", "memory:2: unexpected text after the last field"},
  };
  for (const MalformedCorpus& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_THAT(
        [&] {
          std::istringstream in(row.text);
          ParseGoldenCorpus(in, "memory");
        },
        ThrowsMessage<std::runtime_error>(HasSubstr(row.message)));
  }
}

TEST(GoldenCorpusReader, NamesAFileItCannotOpen) {
  EXPECT_THAT([] { ReadGoldenCorpus("no/such/corpus.txt"); },
              ThrowsMessage<std::runtime_error>(HasSubstr("no/such/corpus.txt")));
}

}  // namespace
