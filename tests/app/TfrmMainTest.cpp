#include "app/TfrmMain.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>
#include <gtest/gtest.h>

#include "app/Fonts.h"

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

TEST(TfrmMain, ControlsAtTheirPlacesWithTheirCaptions) {
  TfrmMain form;
  EXPECT_EQ(form.Button1->geometry(), QRect(720, 9, 75, 25));
  EXPECT_EQ(form.Button1->text(), QStringLiteral("Search"));
  EXPECT_EQ(form.RichEdit1->geometry(), QRect(8, 40, 907, 329));
  EXPECT_EQ(form.Button2->geometry(), QRect(808, 8, 75, 25));
  EXPECT_EQ(form.Button2->text(), QStringLiteral("Print"));
  const QRect bar = form.cxProgressBar1->geometry();
  EXPECT_EQ(bar.topLeft(), QPoint(8, 375));
  EXPECT_EQ(bar.width(), 908);
  EXPECT_EQ(bar.height(), form.cxProgressBar1->sizeHint().height());
  EXPECT_EQ(form.cbFixData->geometry(), QRect(384, 8, 105, 17));
  EXPECT_EQ(form.cbFixData->text(), QStringLiteral("Fix Balances"));
  EXPECT_EQ(form.edtChart->geometry(), QRect(593, 8, 121, 21));
  EXPECT_EQ(form.Label1->text(), QStringLiteral("Chart Number"));
  EXPECT_EQ(form.Label1->pos(), QPoint(520, 8));
  EXPECT_EQ(form.Label1->size(), form.Label1->sizeHint());  // sized to its caption
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
  const QWidget* controls[] = {form.Button1.get(), form.RichEdit1.get(), form.Button2.get(),
                               form.cxProgressBar1.get(), form.cbFixData.get(), form.edtChart.get(),
                               form.Label1.get()};
  for (const QWidget* control : controls) {
    EXPECT_EQ(control->font(), form.font()) << control->objectName().toStdString();
  }
  // The label is sized to its caption; in Tahoma 8 pt that comes out near the designed 67 x 13.
  EXPECT_NEAR(form.Label1->width(), 67, 3);
  EXPECT_NEAR(form.Label1->height(), 13, 2);
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

TEST(TfrmMain, ChartBoxUpperCasesAndRefusesANinthCharacter) {
  TfrmMain form;
  form.show();
  QTest::keyClicks(form.edtChart.get(), "abc12xyz9q");
  EXPECT_EQ(form.edtChart->text(), QStringLiteral("ABC12XYZ"));
  form.edtChart->clear();
  form.edtChart->insert(QStringLiteral("m\u00fcller'x"));  // a paste goes through the same rule
  EXPECT_EQ(form.edtChart->text(), QStringLiteral("M\u00dcLLER'X"));
  form.edtChart->setText(QStringLiteral("abcdefghij"));
  EXPECT_EQ(form.edtChart->text(), QStringLiteral("ABCDEFGH"));
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
  EXPECT_EQ(names, (QStringList{"Button1", "RichEdit1", "Button2", "cxProgressBar1", "cbFixData", "edtChart", "Label1"}));
}

}  // namespace
}  // namespace lw
