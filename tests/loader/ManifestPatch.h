// Copies of the built module file with other manifest bytes, for tests of what a host does
// with a broken manifest. Exactly one of ManifestPatchElf.cpp and ManifestPatchPe.cpp is
// built.
#pragma once

#include <string>
#include <string_view>

namespace kel::host::testing {

// `moduleBytes` with its manifest `original` replaced in place by `replacement`, which must
// not be longer: the bytes go where the original's were, the recorded size (the ELF note's
// descriptor size, the PE resource data entry's size) becomes the replacement's, and the
// rest of the original's room is zeroed. Fails the calling test and returns `moduleBytes`
// unchanged when the manifest's record cannot be found exactly once.
std::string WithManifest(std::string moduleBytes, std::string_view original,
                         std::string_view replacement);

}  // namespace kel::host::testing
