// Basic types of the kel object model, shared by the module and every host.
#pragma once

#include <cstdint>

namespace kel {

// Result of every interface operation: 0 is success, failures are negative, never positive.
using ResultCode = std::int32_t;

// NUL-terminated ASCII identifier of an interface or export, such as
// "com.velkora.general.kel.IObject/1.0". Compared only as a whole, byte for byte.
using ContractId = const char*;

// One 32-bit count per object; never negative in correct use.
using RefCount = std::uint32_t;

// Operating-system thread identifier recorded as an object's owner.
using ThreadId = std::uint32_t;

namespace result {
inline constexpr ResultCode kOk = 0;
// Nothing found, or nothing to give.
inline constexpr ResultCode kNotFound = -1;
// The object does not answer the contract, or the query's out-parameter is null.
inline constexpr ResultCode kNoInterface = -3;
// The out-parameter of an operation that hands out an object is null.
inline constexpr ResultCode kNullObjectOut = -4;
// A required pointer argument is null, or there is nothing to act on.
inline constexpr ResultCode kNothingToActOn = -7;
}  // namespace result

}  // namespace kel
