// The result of one parse.
#pragma once

#include <cstddef>

#include "ICommandLineParameters.h"
#include "StoredArguments.h"
#include "kel/ObjectImpl.h"
#include "kel/ObjectLifetime.h"
#include "kel/ObjectOperations.h"
#include "kel/RefCount.h"

// Holds the options and free arguments of one argument vector and never changes them, so
// any number of threads may query it at once; the count is the only state that changes.
// The object and the block of its stored copy come in one allocation: the block follows
// the object.
// Between calls it holds no reference to any other object. Destroyed in the order: options,
// free arguments, then the observer part, whose "Destroyed" notice therefore goes out after
// the data is gone.
class CCommandLineParameters final : public ICommandLineParameters, private kel::ObjectImpl {
 public:
  // Copies both collections into the new result; count 0, owned by nobody yet. One
  // allocation; exhausted memory leaves as std::bad_alloc with nothing made.
  [[nodiscard]] static kel::ObjectPtr<CCommandLineParameters> Create(
      const FreeArgumentSet& freeArguments, const OptionMap& options);

  // The allocation functions of the creation path: room for the object and, behind it, the
  // block of its stored copy. The constructor throws nothing, so no placement form of
  // operator delete is needed.
  static void* operator new(std::size_t size, kel::TrailingBytes block);
  static void operator delete(void* object) noexcept;

  KEL_IOBJECT_OPERATIONS

  kel::ResultCode GetFreeArguments(kel::ICollection** arguments) override;
  kel::ResultCode HasOption(const char* name, bool* present) override;
  kel::ResultCode HasOptionValue(const char* name, bool* hasValue) override;
  kel::ResultCode GetOptionValue(const char* name, kel::IString** value) override;
  kel::ResultCode CreateOptionsIterator(ICommandLineOptionsIterator** iterator) override;

 private:
  friend class kel::ObjectLifetime;
  CCommandLineParameters(const FreeArgumentSet& freeArguments, const OptionMap& options) noexcept;
  ~CCommandLineParameters() = default;

  kel::ResultCode HandOutFreeArguments(kel::ICollection** arguments) const;
  // Fills `collection` with one host string per free argument, in the set's order.
  void AddFreeArgumentsTo(kel::ICollection& collection) const;

  kel::AtomicRefCount refCount_;
  StoredArguments arguments_;
};
