// --trace: every reference taken and given back on a host object, on standard error.
#pragma once

namespace kel::kelhost {

// While it lives, each AddRef and Release of a host object writes one line to standard
// error, "trace: AddRef String#3 -> 2" (the kind, its creation serial, the new count), with
// " (destroyed)" after the Release that ends the object. One at a time per process.
class ReferenceTrace {
 public:
  ReferenceTrace();
  ~ReferenceTrace();
  ReferenceTrace(const ReferenceTrace&) = delete;
  ReferenceTrace& operator=(const ReferenceTrace&) = delete;
};

}  // namespace kel::kelhost
