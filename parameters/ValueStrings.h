// Option values handed to the host as strings made by the host's own string factory.
#pragma once

#include <string_view>

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"

// Asks a freshly resolved string factory for a string holding `text`, which a NUL follows
// (as in a parse result's stored copy). Empty when there is no usable factory (the
// resolution has printed why) or the factory made none; a missing factory is never called.
kel::ObjectPtr<kel::IString> CreateHostString(std::string_view text);
