#include "ReferenceTrace.h"

#include <string>
#include <string_view>

#include "Console.h"
#include "kel/host/LiveObjects.h"

namespace kel::kelhost {

ReferenceTrace::ReferenceTrace() {
  host::LiveObjects::SetTraceSink(
      [](std::string_view line) { WriteErrorLine("trace: " + std::string(line)); });
}

ReferenceTrace::~ReferenceTrace() {
  host::LiveObjects::SetTraceSink({});
}

}  // namespace kel::kelhost
