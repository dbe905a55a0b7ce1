// How exhausted memory leaves an operation that a host calls through an interface.
#pragma once

#include <cxxabi.h>

#include <new>
#include <type_traits>

#include "kel/Platform.h"

namespace kel {

namespace detail {

// Runs `step`; false when it ran out of memory or, against every expectation, threw any
// other C++ exception (a size beyond what can be allocated, a defect): the host is prepared
// for exhausted memory alone, so every such failure leaves as that. Kept out of line, so
// that the frame which raises the host's exception (RunOperation's) holds no handler and no
// cleanup of this runtime's own: every local of the step has been destroyed here by then.
template <class Step>
[[gnu::noinline]] bool Completes(Step& step) {
  try {
    step();
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  } catch (...) {
    // What is no exception of this C++ runtime (a cancelled thread's unwinding, another
    // runtime's exception) passes through unchanged.
    if (abi::__cxa_current_exception_type() == nullptr) throw;
    return false;
  }
}

}  // namespace detail

// Runs the body of an interface operation. Exhausted memory inside `body`, or any other C++
// exception (see Completes), ends the operation with the allocation-failure exception in
// the form the host's C++ runtime catches as std::bad_alloc (platform::RaiseBadAllocToHost);
// whatever `body` built is destroyed first, so the operation leaves the state it guarantees
// on failure.
//
// Call it directly in the operation's slot, or through functions that hold no object with
// a destructor: no frame between the host and this call may need cleaning up by this
// runtime while the host's runtime unwinds.
template <class Body>
auto RunOperation(Body&& body) -> decltype(body()) {
  using Result = decltype(body());
  if constexpr (std::is_void_v<Result>) {
    if (!detail::Completes(body)) platform::RaiseBadAllocToHost();
  } else {
    static_assert(std::is_trivially_destructible_v<Result>);
    Result result{};
    auto step = [&] { result = body(); };
    if (!detail::Completes(step)) platform::RaiseBadAllocToHost();
    return result;
  }
}

}  // namespace kel
