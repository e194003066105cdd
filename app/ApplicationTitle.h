#pragma once
// The application title: the name on the program's taskbar button and the caption of every
// error message box. The program sets none, so it is derived from the executable's file name.

#include <string>
#include <string_view>

namespace lw {

// The title for an executable path: the part after the last "/", cut at its first period, every
// character but the first in lower case (Unicode's simple mapping). "/opt/LEDGERWICK.EXE" gives
// "Ledgerwick", "/opt/ledger.check.exe" gives "ledger", "/opt/ÉCOLE" gives "École".
std::string ApplicationTitleFromPath(std::string_view executablePath);

// The full path of the running executable ("" when the system cannot tell).
std::string RunningExecutablePath();

// ApplicationTitleFromPath(RunningExecutablePath()).
std::string ApplicationTitle();

}  // namespace lw
