#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "app/Fonts.h"
#include "app/SystemText.h"
#include "app/TfrmMain.h"
#include "reconcile/ChartNumber.h"

namespace lw {
namespace {

TEST(TfrmMain, WindowAsDescribed) {
  TfrmMain form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Ledgerwick"));
  EXPECT_EQ(form.size(), QSize(924, 401));  // the client area
  EXPECT_EQ(form.pos(), QPoint(0, 0));
  EXPECT_TRUE(form.isWindow());
  const Qt::WindowFlags flags = form.windowFlags();
  EXPECT_TRUE(flags & Qt::WindowSystemMenuHint);
  EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));
  EXPECT_EQ(form.minimumSize(), QSize(0, 0));  // sizeable
}

// Each control with its place in the client area and its caption, as the window is designed.
struct DesignedControl {
  const char* name;
  QRect geometry;
  const char* caption;  // nullptr: none to check
};

const DesignedControl kDesignedControls[] = {
    {"Button1", QRect(720, 9, 75, 25), "Search"},  // one pixel lower than Print
    {"RichEdit1", QRect(8, 40, 907, 329), nullptr},        {"Button2", QRect(808, 8, 75, 25), "Print"},
    {"cbFixData", QRect(384, 8, 105, 17), "Fix Balances"}, {"edtChart", QRect(593, 8, 121, 21), ""},
};

QString Caption(const QWidget* control) {
  if (const auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
  if (const auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  return QStringLiteral("<no caption>");
}

TEST(TfrmMain, ControlsAtTheirPlacesWithTheirCaptions) {
  TfrmMain form;
  for (const DesignedControl& designed : kDesignedControls) {
    SCOPED_TRACE(designed.name);
    const auto* control = form.findChild<QWidget*>(QString::fromLatin1(designed.name), Qt::FindDirectChildrenOnly);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->geometry(), designed.geometry);
    if (designed.caption != nullptr) {
      EXPECT_EQ(Caption(control), QString::fromLatin1(designed.caption));
    }
  }

  // The bar's height is the control's own; it must still show its text inside the client area.
  const QRect bar = form.cxProgressBar1->geometry();
  EXPECT_EQ(bar.topLeft(), QPoint(8, 375));
  EXPECT_EQ(bar.width(), 908);
  EXPECT_GE(bar.height(), QFontMetrics(form.font()).height());
  EXPECT_LE(bar.bottom(), 400) << "the bar runs past the bottom of the 401-pixel client area";

  // The label is sized to its caption: 67 x 13 in Tahoma 8 pt at 96 pixels per inch, give or take
  // the few pixels by which the installed Tahoma measures differently, and never into the box.
  EXPECT_EQ(Caption(form.Label1.get()), QStringLiteral("Chart Number"));
  EXPECT_EQ(form.Label1->pos(), QPoint(520, 8));
  EXPECT_NEAR(form.Label1->width(), 67, 3);
  EXPECT_NEAR(form.Label1->height(), 13, 2);
  EXPECT_LE(form.Label1->geometry().right(), form.edtChart->geometry().left() - 1);
}

TEST(TfrmMain, InitialState) {
  TfrmMain form;
  EXPECT_EQ(form.RichEdit1->toPlainText(), QStringLiteral("RichEdit1"));
  EXPECT_TRUE(form.RichEdit1->isReadOnly());
  EXPECT_TRUE(form.edtChart->text().isEmpty());
  EXPECT_FALSE(form.cbFixData->isChecked());
  EXPECT_TRUE(form.Button1->isEnabled());
  EXPECT_EQ(form.cxProgressBar1->Text(), QStringLiteral("0 %"));
  EXPECT_EQ(form.cxProgressBar1->Maximum(), 100);
  EXPECT_EQ(form.cxProgressBar1->Position(), 0);
}

TEST(TfrmMain, EveryControlUsesTheTahomaWindowFont) {
  TfrmMain form;
  EXPECT_EQ(form.font().pixelSize(), 11);
  EXPECT_EQ(QFontInfo(form.font()).family(), QStringLiteral("Tahoma"));
  const QWidget* controls[] = {form.Button1.get(),        form.RichEdit1.get(), form.Button2.get(),
                               form.cxProgressBar1.get(), form.cbFixData.get(), form.edtChart.get(),
                               form.Label1.get()};
  for (const QWidget* control : controls) {
    EXPECT_EQ(control->font(), form.font()) << control->objectName().toStdString();
  }
}

TEST(WindowFont, FallsBackToDejaVuSansWithoutTahoma) {
  EXPECT_EQ(WindowFontFamily(QStringLiteral("/nonexistent/tahoma.ttf")), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(WindowFontFamily(), QStringLiteral("Tahoma"));
}

TEST(TfrmMain, TabVisitsTheControlsInOrder) {
  TfrmMain form;
  form.show();
  QApplication::setActiveWindow(&form);
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  form.Button1->setFocus();
  // The progress bar takes no focus, so Tab passes from Print to Fix Balances.
  const QWidget* expected[] = {form.RichEdit1.get(), form.Button2.get(), form.cbFixData.get(), form.edtChart.get(),
                               form.Button1.get()};
  for (const QWidget* next : expected) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
  }
}

// Types `text` one character at a time, as a keyboard (or an input method) delivers it.
void Type(QWidget* widget, const QString& text) {
  for (const char32_t c : text.toUcs4()) {
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString::fromUcs4(&c, 1), Qt::NoModifier);
  }
}

TEST(TfrmMain, ChartBoxUpperCasesAndHoldsEightBytes) {
  TfrmMain form;
  form.show();
  UpperCaseEdit& box = *form.edtChart;
  QTest::keyClicks(&box, "abc12xyz9q");
  EXPECT_EQ(box.text(), QStringLiteral("ABC12XYZ")) << "a ninth character is refused";

  // The Chart Number column holds 8 bytes of UTF-8: four 2-byte letters fill it.
  box.clear();
  Type(&box, QStringLiteral("\u00e9\u00e9\u00e9\u00e9\u00e9"));
  EXPECT_EQ(box.text(), QStringLiteral("\u00c9\u00c9\u00c9\u00c9"));
  box.clear();
  Type(&box, QStringLiteral("a\u00e9\u00e9\u00e9\u00e9"));  // the fourth É would need bytes 8 and 9
  EXPECT_EQ(box.text(), QStringLiteral("A\u00c9\u00c9\u00c9"));

  // A paste keeps what fits; a character typed into a full box is refused wherever it goes.
  box.clear();
  box.insert(QStringLiteral("m\u00fcller'x"));
  EXPECT_EQ(box.text(), QStringLiteral("M\u00dcLLER'"));
  box.setText(QStringLiteral("\u00e9\u00e9\u00e9\u00e9"));
  box.setCursorPosition(1);
  Type(&box, QStringLiteral("x"));
  EXPECT_EQ(box.text(), QStringLiteral("\u00c9\u00c9\u00c9\u00c9"));
  box.setText(QStringLiteral("abcdefghij"));
  EXPECT_EQ(box.text(), QStringLiteral("ABCDEFGH"));
}

// ledgerwick-check applies ChartNumberFromTyped to --chart; what the box holds after typing the
// same text must be exactly that, for letters whose capitals change their byte length too.
TEST(TfrmMain, ChartBoxHoldsWhatTheCheckToolMakesOfTheSameText) {
  TfrmMain form;
  form.show();
  const QString samples[] = {
      QStringLiteral("\u00e9cole"),                                              // école
      QStringLiteral("\u00ff\u00b5"),                                            // ÿ µ: capitals outside Latin-1
      QStringLiteral("\u0131\u0131\u0131\u0131\u0131\u0131\u0131\u0131\u0131"),  // ı: 2 bytes become 1
      QStringLiteral("\u0250\u0250\u0250"),                                      // ɐ: 2 bytes become 3
      QStringLiteral("stra\u00dfe"),                                             // ß has no one-letter capital
      QStringLiteral("\u01c6\u03b1\u0434"),                                      // ǆ α д
      QStringLiteral("\u65e5\u672c\u8a9e"),                                      // 3-byte characters
      QString::fromUcs4(U"\U00010428\U00010429\U0001042A"),                      // Deseret: 4 bytes, two UTF-16 units
      QStringLiteral("o'brien-9"),
  };
  for (const QString& sample : samples) {
    form.edtChart->clear();
    Type(form.edtChart.get(), sample);
    const std::string typed = ToSystemText(sample);
    EXPECT_EQ(ToSystemText(form.edtChart->text()), ChartNumberFromTyped(typed)) << typed;
  }
}

TEST(TfrmMain, EnlargingTheWindowLeavesTheControlsInPlace) {
  TfrmMain form;
  form.show();
  QList<QRect> before;
  for (const QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) before << child->geometry();
  form.resize(1400, 900);
  QApplication::processEvents();
  QList<QRect> after;
  for (const QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) after << child->geometry();
  EXPECT_EQ(after, before);
  EXPECT_EQ(form.size(), QSize(1400, 900));
}

TEST(TfrmMain, ControlsAreCreatedInTheDescribedOrder) {
  TfrmMain form;
  QStringList names;
  for (const QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) names << child->objectName();
  EXPECT_EQ(names,
            (QStringList{"Button1", "RichEdit1", "Button2", "cxProgressBar1", "cbFixData", "edtChart", "Label1"}));
}

}  // namespace
}  // namespace lw
