#pragma once
// The program's icon (the MAINICON resource): the window icon of every window of the program.
// The same picture is installed for the desktop's menus, from app/icons/.

#include <QIcon>
#include <QList>

namespace lw {

// The pixel sizes MAINICON holds, smallest first.
QList<int> ProgramIconSizes();

// MAINICON with a picture for each of ProgramIconSizes().
QIcon ProgramIcon();

}  // namespace lw
