// The lines printed when an injected service cannot be resolved.
#pragma once

#include <string>
#include <string_view>

#include "kel/Types.h"

namespace kel {

enum class ImportFailure {
  kNoEntry,      // nothing was injected under the name
  kNoProxy,      // an empty entry, or an object that is not an export proxy
  kNoObject,     // the proxy yielded no object
  kNoInterface,  // the object lacks the required interface
};

// The diagnostic line for `failure` of the import `property` (without end of line).
std::string ImportFailureLine(ImportFailure failure, std::string_view property,
                              ContractId required);

// Writes that line to standard output, with an end of line and a flush.
void ReportImportFailure(ImportFailure failure, std::string_view property, ContractId required);

}  // namespace kel
