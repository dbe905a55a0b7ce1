#include <process.h>

#include <gtest/gtest.h>

#include "Subprocess.h"
#include "kel/host/WideText.h"

namespace kel::testing {

// The C runtime hands the child this process's descriptors 0 to 2, redirected ones included,
// and the arguments as a wide command line.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments) {
  std::vector<std::wstring> wide{host::WidenUtf8(program).value_or(L"")};
  for (const std::string& argument : arguments)
    wide.push_back(host::WidenUtf8(argument).value_or(L""));
  std::vector<const wchar_t*> argv;
  for (const std::wstring& argument : wide) argv.push_back(argument.c_str());
  argv.push_back(nullptr);
  const intptr_t status = ::_wspawnv(_P_WAIT, wide[0].c_str(), argv.data());
  if (status == -1) ADD_FAILURE() << program << " could not be run";
  return static_cast<int>(status);
}

}  // namespace kel::testing
