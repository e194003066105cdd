#include "app/ProgramIcon.h"

#include <QString>

// Resources of a static library are registered by hand, outside any namespace.
static void RegisterProgramIconResource() { Q_INIT_RESOURCE(MAINICON); }

namespace lw {

QList<int> ProgramIconSizes() { return {16, 24, 32, 48, 64, 128, 256}; }

QIcon ProgramIcon() {
  RegisterProgramIconResource();
  QIcon icon;
  for (const int size : ProgramIconSizes())
    icon.addFile(QStringLiteral(":/MAINICON/%1.png").arg(size), QSize(size, size));
  return icon;
}

}  // namespace lw
