// Ledgerwick: start-up. The regional separators first, then the application object, then the
// database engine, then the main window, then the message loop until the main window is closed.
#include <memory>

#include "app/Application.h"
#include "app/Startup.h"
#include "app/TfrmMain.h"
#include "common/RegionalSettings.h"
#include "data/ace/AceProvider.h"
#include "pgengine/ServerEngine.h"

int main(int argc, char** argv) {
  lw::SetCurrentRegionalSettings(lw::ReadRegionalSettings());
  // The embedded engine serves every database call for the program's whole life.
  const auto engine = lw::pgengine::CreatePracticeEngine();
  lw::ace::ScopedAce installed(*engine);
  lw::TApplication application(argc, argv);
  // Desktop launchers here pass no start-up show state, so the window opens in its normal state.
  return lw::RunProgram(
      application, [] { return std::make_unique<lw::TfrmMain>(); }, lw::ShowState::Normal);
}
