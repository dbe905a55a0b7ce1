// Properties that every CommandLineSplit has, whatever the arguments: checked by
// the fuzzer on every parse. They follow from the grammar, not from the code: the checker
// trims and recognises shapes on its own and uses only the collection types.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "OptionCollections.h"

// Checks the collections that CommandLineSplit made of `arguments` (argv[1] onwards):
//  - every option name begins with an ASCII letter and holds no '='; no value ends with ' ';
//  - every option can be read off one argument: after trimming it is "--N", "--N=V" with V
//    not empty, or for a one-byte name "-NV" without '=' or "-N=V" with V not empty;
//  - every free argument is the trimmed text of an argument, is not empty, does not begin
//    with ' ' or '-' and does not end with ' ';
//  - nothing is lost: every argument that trims to a non-empty text not beginning with '-'
//    is a free argument, and every "-X..." and "--X..." without '=' (X a letter) left its
//    option name.
// Holds in the locale a process starts with, where the letters are A-Z and a-z.
// Returns an empty string when all hold, else a description of the first violation.
std::string FindGrammarViolation(const std::vector<std::string>& arguments,
                                 const OptionMap& options, const FreeArgumentSet& freeArguments);

// Indexes into `arguments` of those that become free arguments (non-empty after trimming
// spaces, first byte not '-'). Exchanging the texts at these positions must not change the
// result, since free arguments form an unordered set and options do not depend on them.
std::vector<std::size_t> FreeArgumentPositions(const std::vector<std::string>& arguments);
