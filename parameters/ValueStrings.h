// Option values handed to the host as strings made by the host's own string factory.
#pragma once

#include <string>

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"

// Asks a freshly resolved string factory for a string holding `text`. Empty when there is no
// usable factory (the resolution has printed why) or the factory made none; a missing
// factory is never called.
kel::ObjectPtr<kel::IString> CreateHostString(const std::string& text);
