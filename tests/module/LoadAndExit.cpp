// A host that loads the module file named by its one argument and leaves at once through
// _Exit, which flushes no stream: the module's lines reach a reader of its standard output
// only if the module flushed them itself.
#include <cstdlib>
#include <optional>
#include <string>

#include "kel/host/ModuleLibrary.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string error;
  const std::optional<kel::host::ModuleLibrary> module =
      kel::host::ModuleLibrary::Load(argv[1], error);
  std::_Exit(module ? 0 : 1);
}
