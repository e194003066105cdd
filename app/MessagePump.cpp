#include "app/MessagePump.h"

#include <QCoreApplication>

#include "app/Application.h"

namespace lw {

void ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

bool WindowMessagePump::QuitRequested() const {
  const TApplication* application = App();
  return application != nullptr && application->Terminated();
}

}  // namespace lw
