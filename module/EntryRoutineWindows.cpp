#include <windows.h>

namespace __gnu_cxx {
// Frees the C++ runtime's reserve for exceptions thrown while memory is exhausted. The
// runtime is linked into the module, so each load allocates a reserve of its own, and the
// runtime never frees it.
void __freeres();
}  // namespace __gnu_cxx

// The module's entry routine: thread attach and detach notices are of no use to the module,
// so they are turned off; static set-up and the exit list are run by the runtime around it.
// Once the module is detached nothing in it throws again, so the reserve goes back then and
// a host that loads and unloads the module keeps nothing of it.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
  if (reason == DLL_PROCESS_DETACH) __gnu_cxx::__freeres();
  return TRUE;
}
