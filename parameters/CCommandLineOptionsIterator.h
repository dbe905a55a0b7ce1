// The walk over one parse result's options.
#pragma once

#include "ICommandLineOptionsIterator.h"
#include "OptionCollections.h"
#include "kel/ObjectLifetime.h"
#include "kel/ObjectOperations.h"
#include "kel/RefCount.h"

// Borrows the option map of a CCommandLineParameters without a reference: the map never
// changes, so nothing but the end of that object invalidates the iterator or its names.
// The position is a plain field: one iterator serves one thread at a time.
class CCommandLineOptionsIterator final : public ICommandLineOptionsIterator {
 public:
  // Positioned on the first option in byte order of the names, or on the end; count 0.
  [[nodiscard]] static kel::ObjectPtr<CCommandLineOptionsIterator> Create(const OptionMap& options);

  KEL_IOBJECTBASE_OPERATIONS

  kel::ResultCode Next() override;
  bool IsEnd() override { return position_ == options_->end(); }
  // The name in the parse result's stored copy, where a NUL follows it.
  const char* GetName() override { return IsEnd() ? nullptr : position_->first.data(); }
  kel::ResultCode HasValue(bool* hasValue) override;
  kel::ResultCode GetValue(kel::IString** value) override;

 private:
  friend class kel::ObjectLifetime;
  explicit CCommandLineOptionsIterator(const OptionMap& options) noexcept
      : options_(&options), position_(options.begin()) {}
  ~CCommandLineOptionsIterator() = default;

  kel::AtomicRefCount refCount_;
  const OptionMap* options_;  // not owned
  OptionMap::const_iterator position_;
};
