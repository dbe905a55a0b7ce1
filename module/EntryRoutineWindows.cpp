#include <windows.h>

// The module's entry routine: thread attach and detach notices are of no use to the module,
// so they are turned off; static set-up and the exit list are run by the runtime around it.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(module);
  return TRUE;
}
