// A host that loads the module file named by its one argument and ends at once without
// flushing any stream or running any exit code (as a crash would end it): the module's lines
// reach a reader of its standard output only if the module flushed them itself.
#include <cstdlib>
#include <optional>
#include <string>

#include "kel/host/ModuleLibrary.h"
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string error;
  const std::optional<kel::host::ModuleLibrary> module =
      kel::host::ModuleLibrary::Load(argv[1], error);
#ifdef _WIN32
  // _Exit would still detach the C runtime's DLL, which flushes every stream.
  ::TerminateProcess(::GetCurrentProcess(), module ? 0 : 1);
#endif
  std::_Exit(module ? 0 : 1);
}
