#include "kel/ImportDiagnostics.h"

#include "kel/Diagnostics.h"

namespace kel {

std::string ImportFailureLine(ImportFailure failure, std::string_view property,
                              ContractId required) {
  const std::string quoted = "\"" + std::string(property) + "\"";
  if (failure == ImportFailure::kNoEntry) {
    return "LibManager: NULL object proxy returned for " + quoted + ".";
  }
  if (failure == ImportFailure::kNoProxy) {
    return "LibManager: Proxy interface not supported for " + quoted + ".";
  }
  if (failure == ImportFailure::kNoObject) {
    return "LibManager: Library returned NULL object for " + quoted +
           ". Probably declared and exported contracts are different or the library is "
           "failed to load.";
  }
  // ImportFailure::kNoInterface
  return "LibManager: Library object for " + quoted + " does not support required interface " +
         std::string(required) + ". Wrong import declaration or wrong plugin implementation?";
}

void ReportImportFailure(ImportFailure failure, std::string_view property, ContractId required) {
  WriteDiagnosticLine(ImportFailureLine(failure, property, required));
}

}  // namespace kel
