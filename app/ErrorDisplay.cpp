#include "app/ErrorDisplay.h"

#include <QApplication>

#include "app/ApplicationTitle.h"
#include "app/SystemText.h"
#include "common/ErrorDisplayText.h"
#include "common/Exceptions.h"

namespace lw {

namespace {

std::string MessageOf(const std::exception& error) {
  if (const auto* own = dynamic_cast<const Exception*>(&error)) return own->Message();
  return error.what();
}

}  // namespace

std::unique_ptr<QMessageBox> CreateErrorBox(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr) return nullptr;
  auto box = std::make_unique<QMessageBox>(QMessageBox::Critical, FromSystemText(ApplicationTitle()),
                                           FromSystemText(ErrorDisplayText(MessageOf(error))), QMessageBox::Ok,
                                           QApplication::activeWindow());
  box->setTextFormat(Qt::PlainText);
  box->setWindowModality(Qt::ApplicationModal);
  box->setLayoutDirection(QGuiApplication::layoutDirection());
  return box;
}

void ShowException(const std::exception& error) {
  if (auto box = CreateErrorBox(error)) box->exec();
}

}  // namespace lw
