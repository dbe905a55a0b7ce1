// Registers a singleton class's instance as an export during static initialisation.
#pragma once

#include <string_view>

#include "ExportRegistry.h"
#include "kel/ObjectPtr.h"

namespace kel {

// `static ExportRegistrar<CMyPlugin> registrar("com.example.CMyPlugin/1.0");` creates the
// instance through its kel::Singleton base (whose holder keeps the one module-held
// reference), sets up the registry and stores the instance under the identifier. Afterwards
// the instance's count is 1 and the registry holds it without a reference.
template <class Class>
class ExportRegistrar {
 public:
  explicit ExportRegistrar(std::string_view exportId) {
    ObjectPtr<typename Class::SingletonInterface> instance;
    Class::GetInstance(instance.Put());
    ExportRegistry::Instance()->Register(exportId, instance.Get());
  }
};

}  // namespace kel
