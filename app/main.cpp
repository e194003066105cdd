// Ledgerwick: start-up. Regional settings first, then the application, then the main window,
// then the message loop until the main window is closed.
#include <exception>
#include <memory>

#include "app/Application.h"
#include "app/ErrorDisplay.h"
#include "app/TfrmMain.h"
#include "common/RegionalSettings.h"

int main(int argc, char** argv) {
  lw::SetCurrentRegionalSettings(lw::ReadRegionalSettings());
  lw::TApplication application(argc, argv);

  std::unique_ptr<lw::TfrmMain> frmMain;
  try {
    frmMain = std::make_unique<lw::TfrmMain>();
  } catch (const std::exception& error) {
    // The window could not be built: say why, and end before the message loop runs.
    lw::ShowException(error);
    return 1;
  }
  application.SetMainForm(*frmMain);
  // Desktop launchers here pass no start-up show state, so the window opens in its normal state.
  const int result = application.Run(lw::ShowState::Normal);
  frmMain.reset();
  return result;
}
