// The error box the Print command shows on a machine without printers, read back as the pixels
// the window system holds for it (not a fresh rendering of the widget): the box must be painted,
// not left an empty black rectangle. Runs on any platform plugin; CI also runs it on a real X
// server.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/TfrmMain.h"
#include "tests/app/PrintTestSupport.h"

namespace lw {
namespace {

struct BoxPicture {
  QString text;
  QImage screen;    // what the window system shows for the box
  QImage rendered;  // the box painting itself, for comparison
  QColor face;      // the box's background colour
};

// Clicks Print on a window whose printing system has no default printer, and takes the error
// box's picture once it is on screen; then closes it.
BoxPicture PrintWithoutPrinters() {
  auto system = std::make_unique<test::PdfPrinterSystem>();  // no printers, no default
  test::ScopedPrinter printer(std::move(system));
  TfrmMain form;
  form.show();
  EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
  BoxPicture picture;
  QTimer::singleShot(0, [&picture] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    picture.text = box->text();
    picture.face = box->palette().color(QPalette::Window);
    if (QTest::qWaitForWindowExposed(box)) {
      // The box's own window on its screen, as last flushed there.
      const auto grab = [box] { return box->screen()->grabWindow(box->winId()).toImage(); };
      const bool painted =
          QTest::qWaitFor([&] { return grab().pixelColor(box->width() / 2, box->height() / 2) != QColor(Qt::black); });
      EXPECT_TRUE(painted) << "the middle of the box stayed black";
      picture.screen = grab().convertToFormat(QImage::Format_RGB32);
      picture.rendered = box->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    box->done(QMessageBox::Ok);
  });
  QTest::mouseClick(form.Button2.get(), Qt::LeftButton);
  return picture;
}

TEST(ErrorBoxPixels, PrintWithoutAPrinterShowsAPaintedBox) {
  const BoxPicture box = PrintWithoutPrinters();
  EXPECT_EQ(box.text, QStringLiteral("There is no default printer currently selected."));
  ASSERT_FALSE(box.screen.isNull()) << "the box never reached the screen";
  ASSERT_EQ(box.screen.size(), box.rendered.size());

  int face = 0, black = 0, dark = 0, red = 0;
  for (int y = 0; y < box.screen.height(); ++y) {
    for (int x = 0; x < box.screen.width(); ++x) {
      const QColor c = box.screen.pixelColor(x, y);
      if (c == box.face) ++face;
      if (c == QColor(Qt::black)) ++black;
      if (c.lightness() < 100) ++dark;                              // the message's letters
      if (c.red() > 150 && c.green() < 90 && c.blue() < 90) ++red;  // the error icon
    }
  }
  const int all = box.screen.width() * box.screen.height();
  EXPECT_GT(face, all / 2) << "most of the box is its background colour";
  EXPECT_LT(black, all / 20) << "the box is not an empty black rectangle";
  EXPECT_GT(dark, 50) << "the message is written";
  EXPECT_GT(red, 50) << "the error icon is drawn";
  // What the screen holds is what the box paints (a focus frame may still be on its way).
  int differing = 0;
  for (int y = 0; y < box.screen.height(); ++y) {
    for (int x = 0; x < box.screen.width(); ++x) differing += box.screen.pixel(x, y) != box.rendered.pixel(x, y);
  }
  EXPECT_LT(differing, all / 50);
}

}  // namespace
}  // namespace lw
