// Questions to the file system that the program asks by name.
#pragma once

#include <string>

namespace vindra::platform {

// The full path of the running program, in the ANSI code page on Windows and
// as the system gives it on POSIX; empty when the system cannot tell.
std::string ExecutablePath();

// True when `path` names an existing file that is not a folder; false for an
// empty path.
bool FileExists(const std::string& path);

}  // namespace vindra::platform
