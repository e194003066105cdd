// GUI tests run real widgets on Qt's offscreen platform; test discovery runs this binary
// without the test environment, so the platform is chosen here when none is set.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <cstdlib>

#include "app/Application.h"
#include "data/ace/AceProvider.h"
#include "pgengine/ServerEngine.h"
#include "tests/support/PrivateSettingsStore.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QTemporaryDir runtimeDir;
  if (std::getenv("XDG_RUNTIME_DIR") == nullptr && runtimeDir.isValid()) {
    QFile::setPermissions(runtimeDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("XDG_RUNTIME_DIR", runtimeDir.path().toLocal8Bit().constData(), 1);
  }
  // No test reads or writes the real user's settings store.
  const lw::test::PrivateSettingsStore settings;
  // The main window's data components need an engine from their construction on.
  const auto engine = lw::pgengine::CreatePracticeEngine();
  lw::ace::ScopedAce installed(*engine);
  lw::TApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
