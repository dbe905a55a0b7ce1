// Interfaces of the services a host supplies to a plug-in. The module calls only the
// operations documented as called; the others are the host's own and sit where a host
// written against this header expects them.
#pragma once

#include <cstdint>

#include "kel/IObjectBase.h"

namespace kel {

// A host string: an immutable copy of NUL-terminated bytes.
class IString : public IObject {
 public:
  // The bytes, NUL-terminated; valid while the string lives.
  virtual const char* GetText() = 0;
  // The number of bytes before the terminating NUL.
  virtual std::uint32_t GetLength() = 0;

 protected:
  ~IString() = default;
};

// A host collection of strings in the order they were added.
class ICollection : public IObject {
 public:
  virtual std::uint32_t GetCount() = 0;
  // Writes the item at `index` with one reference (null items stay null); -1 past the end.
  virtual ResultCode GetItem(std::uint32_t index, IString** item) = 0;
  // Appends `item` (possibly null), taking a reference of the collection's own. Called by
  // the module.
  virtual ResultCode Add(IString* item) = 0;

 protected:
  ~ICollection() = default;
};

class IStringFactory : public IObject {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.IStringFactory/1.0";

  // Writes a new string holding a copy of `text`, with one reference for the caller.
  virtual ResultCode CreateString(const char* text, IString** string) = 0;

 protected:
  ~IStringFactory() = default;
};

class ICollectionFactory : public IObject {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.ICollectionFactory/1.0";

  // Writes a new empty collection with one reference and returns 0 or more; a negative
  // code reports failure and is passed back by the module unchanged. Success without a
  // collection leaves the module nothing to give (-1).
  virtual ResultCode CreateCollection(ICollection** collection) = 0;

 protected:
  ~ICollectionFactory() = default;
};

// What a host injects under a property name: it yields the exported object on demand.
class IExportProxy : public IObject {
 public:
  static constexpr ContractId kContractId = "com.velkora.general.kel.IExportProxy/1.0";

  // Writes the exported object with one reference for the caller, or leaves *object null.
  virtual ResultCode GetExportedObject(IObjectBase** object) = 0;

 protected:
  ~IExportProxy() = default;
};

}  // namespace kel
