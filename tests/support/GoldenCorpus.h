// Reader of the golden command-line corpus: argument vectors with the options and free
// arguments the grammar must make of them. Plain C++20, so every test of every platform
// replays the same file.
//
// The file is a sequence of cases; blank lines and lines whose first non-blank byte is '#'
// are ignored, and leading blanks before a keyword are allowed:
//
//   case <description, to the end of the line>
//   argc <N>                   optional; the argc passed, when not the number of arg lines
//   arg "<bytes>"              one line per argv entry, argv[0] first
//   option "<name>" "<value>"  expected options, in byte-wise order of names
//   free "<bytes>"             expected free arguments, in byte-wise order
//   end
//
// Inside quotes, \\ \" \t \r \n and \xHH (two hex digits) are escapes; every other byte
// stands for itself. NUL cannot occur in a command-line argument and is rejected.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct GoldenCase {
  std::string description;          // "file:line: " and the text of its "case" line
  std::int32_t argc = 0;            // the "argc" line, else the number of arg lines
  std::vector<std::string> argv{};  // argv[0] first; may be longer than argc
  std::vector<std::pair<std::string, std::string>> options{};
  std::vector<std::string> freeArguments{};
};

// Reads the corpus at `path` (opened in binary mode; a CR before a line end is ignored).
// Throws std::runtime_error naming the file, and "file:line" for malformed input
// (std::out_of_range for an argc beyond 32 bits).
std::vector<GoldenCase> ReadGoldenCorpus(const std::string& path);
