// The result of one parse: options and free arguments, read-only, safe to query from
// several threads at once.
#pragma once

#include "ICommandLineOptionsIterator.h"
#include "kel/HostServices.h"
#include "kel/IObjectBase.h"
#include "kel/ObjectPtr.h"

class ICommandLineParameters : public kel::IObject {
 public:
  static constexpr kel::ContractId kContractId = "com.velkora.zq.ICommandLineParameters/1.0";

  // Writes the free arguments, in byte order and each once, as a new host collection of
  // host strings with one reference: 0; -4 for a null out (after the work is done); a
  // negative code of the host's CreateCollection, passed on.
  virtual kel::ResultCode GetFreeArguments(kel::ICollection** arguments) = 0;
  // Stores whether an option of exactly this name was given: 0; -7 for a null argument.
  virtual kel::ResultCode HasOption(const char* name, bool* present) = 0;
  // Stores whether the option has a non-empty value: 0; -1 if absent; -7 for a null out.
  virtual kel::ResultCode HasOptionValue(const char* name, bool* hasValue) = 0;
  // Writes the option's value as a host string with one reference: 0 (null when the host's
  // string factory made none); -1 if absent or empty; -7 for a null out.
  virtual kel::ResultCode GetOptionValue(const char* name, kel::IString** value) = 0;
  // A new iterator over the options, owning its one reference; empty on failure.
  virtual kel::ObjectPtr<ICommandLineOptionsIterator> GetOptionsIterator() {
    kel::ObjectPtr<ICommandLineOptionsIterator> iterator;
    if (CreateOptionsIterator(iterator.Put()) < 0) return {};  // releases whatever was written
    return iterator;
  }
  // Writes a new iterator positioned on the first option, with one reference: 0; -4 for a
  // null out.
  virtual kel::ResultCode CreateOptionsIterator(ICommandLineOptionsIterator** iterator) = 0;

 protected:
  ~ICommandLineParameters() = default;
};
