// The interface through which a host injects its services into a plug-in by property name.
#pragma once

#include "kel/IObjectBase.h"

namespace kel {

class IImportsContainer : public IObject {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.IImportsContainer/1.0";

  // Stores `object` (may be null) under `property` (never null), taking a reference and
  // releasing any object stored there before. Returns 0.
  virtual ResultCode SetImport(const char* property, IObjectBase* object) = 0;
  // Reserved; returns 0 and changes nothing.
  virtual ResultCode Reserved1() = 0;
  // Reserved; returns 0 and changes nothing.
  virtual ResultCode Reserved2() = 0;
  // Releases every stored object and empties the table. Returns 0.
  virtual ResultCode ClearImports() = 0;

 protected:
  ~IImportsContainer() = default;
};

}  // namespace kel
