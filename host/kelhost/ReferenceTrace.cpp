#include "ReferenceTrace.h"

#include <iostream>
#include <string_view>

#include "kel/host/LiveObjects.h"

namespace kel::kelhost {

ReferenceTrace::ReferenceTrace() {
  host::LiveObjects::SetTraceSink(
      [](std::string_view line) { std::cerr << "trace: " << line << '\n'; });
}

ReferenceTrace::~ReferenceTrace() {
  host::LiveObjects::SetTraceSink({});
}

}  // namespace kel::kelhost
