#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/ApplicationTitle.h"
#include "app/ErrorDisplay.h"
#include "common/Exceptions.h"

namespace lw {
namespace {

// What a shown error box looked like; filled in while the box is open, which then closes it.
struct SeenBox {
  bool shown = false;
  QString text, title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::WindowModality modality = Qt::NonModal;
  QWidget* parent = nullptr;
};

// Arranges for the next modal error box to be read and closed with OK.
void CloseNextBox(SeenBox& seen) {
  QTimer::singleShot(0, [&seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    seen = {true, box->text(), box->windowTitle(), box->icon(), box->windowModality(), box->parentWidget()};
    box->button(QMessageBox::Ok)->click();
  });
}

TEST(ErrorDisplay, SilentAbortShowsNothing) {
  EXPECT_EQ(CreateErrorBox(EAbort("")), nullptr);
  EXPECT_EQ(CreateErrorBox(EAbort("never shown")), nullptr);
  SeenBox seen;
  CloseNextBox(seen);
  ShowException(EAbort("x"));
  QApplication::processEvents();
  EXPECT_FALSE(seen.shown);
}

TEST(ErrorDisplay, BoxHasErrorIconTitleCaptionAndASingleOk) {
  const auto box = CreateErrorBox(EInvalidOp());
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->text(), QStringLiteral("Invalid floating point operation."));
  EXPECT_EQ(box->windowTitle(), QString::fromStdString(ApplicationTitle()));
  EXPECT_EQ(box->icon(), QMessageBox::Critical);
  EXPECT_EQ(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
  EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
}

TEST(ErrorDisplay, MessageTextFollowsThePeriodRule) {
  EXPECT_EQ(
      CreateErrorBox(EDatabaseError("Must specify connection string before getting a server connection."))->text(),
      QStringLiteral("Must specify connection string before getting a server connection."));
  EXPECT_EQ(CreateErrorBox(EDatabaseError(""))->text(), QString());
  EXPECT_EQ(CreateErrorBox(EPrinter("Printer is not currently printing"))->text(),
            QStringLiteral("Printer is not currently printing."));
  EXPECT_EQ(CreateErrorBox(std::runtime_error("plain error"))->text(), QStringLiteral("plain error."));
  EXPECT_EQ(CreateErrorBox(EOSError("<b>tags</b>"))->textFormat(), Qt::PlainText);  // shown literally
}

TEST(ErrorDisplay, BoxBelongsToTheActiveWindow) {
  QWidget window;
  window.show();
  QApplication::setActiveWindow(&window);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(CreateErrorBox(EOSError("x"))->parentWidget(), &window);
}

TEST(ErrorDisplay, RightToLeftProgramGetsARightToLeftBox) {
  QApplication::setLayoutDirection(Qt::RightToLeft);
  const auto box = CreateErrorBox(EOSError("x"));
  QApplication::setLayoutDirection(Qt::LeftToRight);
  EXPECT_EQ(box->layoutDirection(), Qt::RightToLeft);
}

// A window with one button whose click handler fails halfway.
class FailingForm : public QWidget {
 public:
  FailingForm() : button(this) { ConnectClick(&button, this, &FailingForm::ButtonClick); }
  void ButtonClick(QObject* sender) {
    this->sender = sender;
    ++steps;
    throw EDatabaseError("tblChg: Field 'Paid' not found");
    ++steps;  // never reached: the failed command is not resumed
  }
  QPushButton button;
  QObject* sender = nullptr;
  int steps = 0;
};

TEST(ErrorDisplay, ErrorEscapingAClickHandlerIsShownAndItsWorkStays) {
  FailingForm form;
  form.show();
  SeenBox seen;
  CloseNextBox(seen);
  QTest::mouseClick(&form.button, Qt::LeftButton);
  EXPECT_EQ(form.steps, 1);
  EXPECT_EQ(form.sender, &form.button);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.text, QStringLiteral("tblChg: Field 'Paid' not found."));
  EXPECT_EQ(seen.icon, QMessageBox::Critical);
  EXPECT_EQ(seen.modality, Qt::ApplicationModal);
  // The window goes on working after the box is closed.
  CloseNextBox(seen);
  form.button.click();
  EXPECT_EQ(form.steps, 2);
}

// An object whose own event handler fails.
class FailingReceiver : public QObject {
 public:
  bool event(QEvent* event) override {
    if (event->type() == QEvent::User) throw EConvertError("'12,x' is not a valid floating point value");
    return QObject::event(event);
  }
};

TEST(ErrorDisplay, ErrorEscapingAnyEventHandlerReachesTheDisplay) {
  FailingReceiver receiver;
  SeenBox seen;
  CloseNextBox(seen);
  QEvent event(QEvent::User);
  QCoreApplication::sendEvent(&receiver, &event);
  ASSERT_TRUE(seen.shown);
  EXPECT_EQ(seen.text, QStringLiteral("'12,x' is not a valid floating point value."));
}

}  // namespace
}  // namespace lw
