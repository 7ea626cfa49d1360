// The test programs' PostScript printer: Wine's PostScript driver with a PPD of the tests' own, printing
// into a file beside the program. It belongs to the whole prefix, so the programs that install it hold
// ctest's "printer" lock.
#pragma once

#include <string>

namespace printer_fixture {

extern const char kPrinter[];
// The file the printer's port writes.
std::string PortPath();
// Installs the printer as the default one (removing an old one first); false when Wine refused.
bool InstallPrinter();
// Removes the printer, its driver, its port and the port's file.
void RemovePrinter();

} // namespace printer_fixture
