#pragma once
// The program's start-up after the application object exists: create the main window, make it
// the application's main window, show it and run the message loop.

#include <QWidget>
#include <functional>
#include <memory>

#include "app/Application.h"

namespace lw {

// Creates the main window with `createMainForm` and runs `application` until it is asked to
// end; the window is destroyed before returning, with everything it owns, and the loop's result
// is returned. An error while the window is created is shown by the default error display and
// ends the program before any loop runs: the result is then 1.
int RunProgram(TApplication& application, const std::function<std::unique_ptr<QWidget>()>& createMainForm,
               ShowState state);

}  // namespace lw
