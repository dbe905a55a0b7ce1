// The result of one parse: options and free arguments, read-only, safe to query from
// several threads at once.
#pragma once

#include <new>
#include <utility>

#include "ICommandLineOptionsIterator.h"
#include "kel/HostServices.h"
#include "kel/IObjectBase.h"
#include "kel/ObjectPtr.h"

class ICommandLineParameters : public kel::IObject {
 public:
  static constexpr kel::ContractId kContractId = "com.velkora.zq.ICommandLineParameters/1.0";

  // Writes the free arguments, in byte order and each once, as a new host collection of
  // host strings with one reference: 0; -4 for a null out (after the work is done); a
  // negative code of the host's CreateCollection, passed on; -1, writing nothing, without a
  // usable collection factory or when it reports success without a collection. A string
  // not made (no usable string factory included) goes into the collection as null.
  virtual kel::ResultCode GetFreeArguments(kel::ICollection** arguments) = 0;
  // Stores whether an option of exactly this name was given: 0; -7 for a null argument.
  virtual kel::ResultCode HasOption(const char* name, bool* present) = 0;
  // Stores whether the option has a non-empty value: 0; -1 if absent; -7 for a null name or
  // out.
  virtual kel::ResultCode HasOptionValue(const char* name, bool* hasValue) = 0;
  // Writes the option's value as a host string with one reference: 0 (null without a usable
  // string factory or when it made none); -1 if absent or empty (a null name included); -7
  // for a null out.
  virtual kel::ResultCode GetOptionValue(const char* name, kel::IString** value) = 0;
#if defined(_WIN32) && !defined(_MSC_VER)
  // A new iterator over the options, owning its one reference; empty on failure. Reaches the
  // operation's slot the way a host built with Microsoft's compiler does (below).
  kel::ObjectPtr<ICommandLineOptionsIterator> GetOptionsIterator() {
    union Result {
      Result() {}
      ~Result() {}
      kel::ObjectPtr<ICommandLineOptionsIterator> iterator;
    } result;
    kel::ObjectPtr<ICommandLineOptionsIterator>* made = GetOptionsIteratorInto(&result.iterator);
    kel::ObjectPtr<ICommandLineOptionsIterator> iterator(std::move(*made));
    made->~ObjectPtr();
    return iterator;
  }
  // The slot of GetOptionsIterator in the convention of Microsoft's C++ compiler for a member
  // that returns a class: `this`, then the address where the caller wants the result made;
  // that address comes back. GCC for Windows passes those two the other way round, so the
  // slot is declared in this form for it, and only for it.
  virtual kel::ObjectPtr<ICommandLineOptionsIterator>* GetOptionsIteratorInto(
      kel::ObjectPtr<ICommandLineOptionsIterator>* result) {
    return ::new (static_cast<void*>(result))
        kel::ObjectPtr<ICommandLineOptionsIterator>(AdoptNewOptionsIterator());
  }
#else
  // A new iterator over the options, owning its one reference; empty on failure.
  virtual kel::ObjectPtr<ICommandLineOptionsIterator> GetOptionsIterator() {
    return AdoptNewOptionsIterator();
  }
#endif
  // Writes a new iterator positioned on the first option, with one reference: 0; -4 for a
  // null out.
  virtual kel::ResultCode CreateOptionsIterator(ICommandLineOptionsIterator** iterator) = 0;

 protected:
  ~ICommandLineParameters() = default;

 private:
  // CreateOptionsIterator's iterator, adopted as written: given somewhere to write it fails
  // only by leaving with exhausted memory, and a failed call writes nothing anyway. Holds
  // nothing that needs destroying while the operation runs, so exhausted memory passes
  // through this frame as it is, whichever runtime raised it.
  kel::AdoptedRef<ICommandLineOptionsIterator> AdoptNewOptionsIterator() {
    ICommandLineOptionsIterator* created = nullptr;
    CreateOptionsIterator(&created);
    return kel::AdoptRef(created);
  }
};
