#include "app/Startup.h"

#include <exception>

#include "app/ErrorDisplay.h"

namespace lw {

int RunProgram(TApplication& application, const std::function<std::unique_ptr<QWidget>()>& createMainForm,
               ShowState state) {
  std::unique_ptr<QWidget> mainForm;
  try {
    mainForm = createMainForm();
  } catch (const std::exception& error) {
    ShowException(error);
    return 1;
  }
  application.SetMainForm(*mainForm);
  const int result = application.Run(state);
  mainForm.reset();
  return result;
}

}  // namespace lw
