#pragma once
// The default error display: every error that escapes a handler is shown here, in a message box
// with the error icon, the application title as caption and a single OK button, owned by the
// active window and modal to the whole program. The silent abort (EAbort) shows nothing.

#include <QAbstractButton>
#include <QMessageBox>
#include <QObject>
#include <exception>
#include <memory>
#include <utility>

namespace lw {

// The box the display shows for `error`, not yet shown; nullptr for EAbort. Its text follows the
// period rule of ErrorDisplayText; its parent is the active window, if any.
std::unique_ptr<QMessageBox> CreateErrorBox(const std::exception& error);

// Shows `error` and returns when the user has closed the box; nothing for EAbort.
void ShowException(const std::exception& error);

// Runs `handler`; an error escaping it goes to the default error display, and the handler's
// work up to the failure stays done. Every window handler runs through this (or ConnectClick),
// so no error ever unwinds through the toolkit's own frames.
template <typename Handler>
void RunHandler(Handler&& handler) noexcept {
  try {
    std::forward<Handler>(handler)();
  } catch (const std::exception& error) {
    ShowException(error);
  }
}

// Connects `button`'s click to `form`'s click handler `handler(Sender)`, guarded by RunHandler.
template <typename Form>
QMetaObject::Connection ConnectClick(QAbstractButton* button, Form* form, void (Form::*handler)(QObject* sender)) {
  return QObject::connect(button, &QAbstractButton::clicked, form,
                          [button, form, handler] { RunHandler([&] { (form->*handler)(button); }); });
}

}  // namespace lw
