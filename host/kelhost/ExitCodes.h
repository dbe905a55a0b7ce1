// kelhost's exit statuses.
#pragma once

namespace kel::kelhost {

inline constexpr int kExitSuccess = 0;
// The module could not be read, loaded or used, or inspect found a problem.
inline constexpr int kExitModuleFailure = 1;
// kelhost's own command line is wrong.
inline constexpr int kExitUsage = 2;
// Host objects were still alive after the module was unloaded.
inline constexpr int kExitObjectsAlive = 3;

}  // namespace kel::kelhost
