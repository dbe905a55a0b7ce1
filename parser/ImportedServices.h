// The host services module code resolves from the plug-in's imports at each use.
#pragma once

#include "kel/HostServices.h"
#include "kel/ObjectPtr.h"

namespace kel {

// The "StringFactory" import as a string factory; empty (after its "LibManager: " line) when
// it is missing or unusable. Resolved afresh at every call; release it right after use.
ObjectPtr<IStringFactory> GetStringFactory();

// The "CollectionFactory" import as a collection factory; empty (after its "LibManager: "
// line) when it is missing or unusable. Resolved afresh at every call.
ObjectPtr<ICollectionFactory> GetCollectionFactory();

}  // namespace kel
