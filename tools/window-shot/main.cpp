// ledgerwick-window-shot <file.png>: opens the main window exactly as the program does at start
// and saves its client area as a picture, for checking the layout on a machine without a screen:
//   xvfb-run -a build/tools/window-shot/ledgerwick-window-shot window.png
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/Application.h"
#include "app/TfrmMain.h"
#include "common/RegionalSettings.h"
#include "data/ace/AceProvider.h"
#include "pgengine/ServerEngine.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <file.png>\n", argv[0]);
    return 2;
  }
  lw::SetCurrentRegionalSettings(lw::ReadRegionalSettings());
  lw::TApplication application(argc, argv);
  const auto engine = lw::pgengine::CreatePracticeEngine();
  lw::ace::ScopedAce installed(*engine);
  auto frmMain = std::make_unique<lw::TfrmMain>();
  application.SetMainForm(*frmMain);
  bool saved = false;
  // Once the window is on screen and painted, take the picture and end.
  QTimer::singleShot(500, frmMain.get(), [&] {
    saved = frmMain->grab().save(QString::fromLocal8Bit(argv[1]));
    if (!saved) std::fprintf(stderr, "could not write %s\n", argv[1]);
    frmMain->close();
  });
  application.Run(lw::ShowState::Normal);
  return saved ? 0 : 1;
}
