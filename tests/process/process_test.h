#pragma once
#include <string>
namespace process_test {
// The work directory (trailing backslash), which is also the session's start-up directory (given
// without its backslash).
const std::string &WorkDir();
std::string ProgramPath();
}
