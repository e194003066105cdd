#pragma once
// The message pump a running command calls so the window stays live: it handles every pending
// event of the program, then returns. A request to end the program that arrives meanwhile is
// noted by TApplication (Terminated) and acted on once the command has returned.

#include "reconcile/Ports.h"

namespace lw {

// Handles every pending event, then returns.
void ProcessMessages();

// The search run's message pump port over ProcessMessages.
class WindowMessagePump : public MessagePump {
 public:
  void Pump() override { ProcessMessages(); }
  // Whether closing the main window has asked the program to end.
  bool QuitRequested() const override;
};

}  // namespace lw
