// What the Resource Manager tests share: the work directory, the start-up files and small helpers.
#pragma once

#include <string>

#include "MacTypes.h"
#include "fork_layout.h"

namespace res_test {

// The directory every test's files live in (with a trailing backslash); also the current directory.
const std::string &WorkDir();
inline std::string Work(const std::string &name) { return WorkDir() + name; }
// The directory RSRPATH names for the standard start-up, holding both start-up forks.
const std::string &StartDir();
// The name of the program's own fork ("test_resources.RSR").
std::string AppForkName();
// Reference number of the library's resource file after the standard start-up.
int16_t SystemRefNum();
// Runs the standard start-up again (after a test changed the environment).
void StandardStartup();

int16_t Open(const std::string &name);
fork_layout::Bytes FileBytes(const std::string &name);
void Put(const std::string &name, const fork_layout::Bytes &bytes);

} // namespace res_test
