// What kelhost needs of its own process. Exactly one of platform/ProcessPosix.cpp and
// platform/ProcessWindows.cpp is built.
#pragma once

#include <string>
#include <vector>

namespace kel::kelhost {

// The process's arguments after the program name, in UTF-8 where the system has a notion of
// it: on Windows they come from the wide command line (GetCommandLineW, split by
// CommandLineToArgvW) and are converted to UTF-8, unpaired surrogates becoming U+FFFD;
// elsewhere they are argv's bytes unchanged.
std::vector<std::string> ProcessArguments(int argc, char** argv);

// The full path of the running executable (UTF-8), or empty when the system cannot say.
std::string ExecutablePath();

// Opens a pipe as two C runtime descriptors, `ends[0]` to read and `ends[1]` to write, in
// binary mode and not inherited by child processes. False when the system refuses.
bool OpenPipe(int ends[2]);

// Whether `path` (UTF-8) names an existing file.
bool FileExists(const std::string& path);

}  // namespace kel::kelhost
