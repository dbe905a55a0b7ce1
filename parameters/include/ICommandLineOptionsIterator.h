// A forward walk over the options of one parse result, in byte order of their names.
#pragma once

#include "kel/HostServices.h"
#include "kel/IObjectBase.h"

// Has no contract id of its own: reached only through the pointer its creator hands out.
// It borrows the result's options, so keep the ICommandLineParameters alive while the
// iterator or any name from GetName is in use. One iterator serves one thread at a time.
class ICommandLineOptionsIterator : public kel::IObjectBase {
 public:
  // Moves to the next option or to the end: 0; -7 when already at the end.
  virtual kel::ResultCode Next() = 0;
  // True when past the last option.
  virtual bool IsEnd() = 0;
  // The current option's name (not a copy, NUL-terminated, without leading dashes); null at
  // the end.
  virtual const char* GetName() = 0;
  // Stores whether the current value is non-empty: 0; -7 at the end or for a null out.
  virtual kel::ResultCode HasValue(bool* hasValue) = 0;
  // Writes the current value as a host string with one reference: 0 (null without a usable
  // string factory or when it made none); -1 for an empty value; -7 at the end or for a
  // null out.
  virtual kel::ResultCode GetValue(kel::IString** value) = 0;

 protected:
  ~ICommandLineOptionsIterator() = default;
};
