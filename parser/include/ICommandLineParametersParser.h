// The parsing interface of the command-line plug-in.
#pragma once

#include <cstdint>

#include "ICommandLineParameters.h"
#include "kel/IObjectBase.h"

class ICommandLineParametersParser : public kel::IObject {
 public:
  static constexpr kel::ContractId kContractId = "com.velkora.zq.ICommandLineParametersParser/1.0";

  // Parses arguments 1 to argc - 1 of `argv` (argv[0] is never read) into a new result that
  // replaces the current one. Returns 0; exhausted memory leaves as std::bad_alloc with
  // the current result untouched.
  virtual kel::ResultCode Parse(std::int32_t argc, const char* const* argv) = 0;
  // Writes the current result with one reference for the caller: 0; -7 before the first
  // Parse (also with a null `out`); -4 for a null `out`.
  virtual kel::ResultCode GetParameters(ICommandLineParameters** out) = 0;

 protected:
  ~ICommandLineParametersParser() = default;
};
