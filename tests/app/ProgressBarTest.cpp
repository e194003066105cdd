#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>

#include "app/ProgressBar.h"

namespace lw {
namespace {

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
};

TEST(TcxProgressBar, StartsAtZeroOfAHundred) {
  TcxProgressBar bar;
  EXPECT_EQ(bar.Minimum(), 0);
  EXPECT_EQ(bar.Maximum(), 100);
  EXPECT_EQ(bar.Position(), 0);
  EXPECT_EQ(bar.Text(), QStringLiteral("0 %"));
  EXPECT_GT(bar.sizeHint().height(), 0);
}

TEST(TcxProgressBar, KeepsFloatingPointValuesAndClampsIntoTheRange) {
  TcxProgressBar bar;
  bar.SetMaximum(3e9);  // beyond any int
  bar.SetPosition(1.5e9);
  EXPECT_EQ(bar.Position(), 1.5e9);
  EXPECT_EQ(bar.Text(), QStringLiteral("50 %"));
  bar.SetPosition(4e9);
  EXPECT_EQ(bar.Position(), 3e9);
  EXPECT_EQ(bar.Text(), QStringLiteral("100 %"));
  bar.SetPosition(-2);
  EXPECT_EQ(bar.Position(), 0);
  bar.SetPosition(0.25);
  EXPECT_EQ(bar.Position(), 0.25);
}

TEST(TcxProgressBar, SearchRunSequenceForAQueryWithoutRows) {
  TcxProgressBar bar;
  bar.SetPosition(37);
  bar.SetPosition(0);
  bar.SetMaximum(0);
  EXPECT_EQ(bar.Text(), QStringLiteral("0 %"));
  bar.SetPosition(bar.Position() + 1);  // an empty range does not clamp
  EXPECT_EQ(bar.Position(), 1);
  EXPECT_EQ(bar.Text(), QStringLiteral("100 %"));
}

TEST(TcxProgressBar, ReachesAHundredAsTheLastRowComesUnderCheck) {
  TcxProgressBar bar;
  bar.SetPosition(0);
  bar.SetMaximum(7);
  for (int row = 0; row < 7; ++row) bar.SetPosition(bar.Position() + 1);
  EXPECT_EQ(bar.Position(), 7);
  EXPECT_EQ(bar.Text(), QStringLiteral("100 %"));
  bar.SetPosition(bar.Position() + 1);  // more rows than counted: held at the maximum
  EXPECT_EQ(bar.Position(), 7);
}

TEST(TcxProgressBar, NewRangeChangesTheTextButNotThePosition) {
  TcxProgressBar bar;
  bar.SetPosition(80);
  bar.SetMaximum(40);
  EXPECT_EQ(bar.Position(), 80);
  EXPECT_EQ(bar.Text(), QStringLiteral("100 %"));
  bar.SetMaximum(100);
  bar.SetMinimum(60);
  EXPECT_EQ(bar.Text(), QStringLiteral("50 %"));  // the minimum is subtracted first
}

TEST(TcxProgressBar, RepaintsOnlyWhenTheShownTextChanges) {
  TcxProgressBar bar;
  bar.resize(908, bar.sizeHint().height());
  PaintCounter counter;
  bar.installEventFilter(&counter);
  bar.show();
  QApplication::processEvents();
  ASSERT_GE(counter.paints, 1);

  bar.SetPosition(0);
  bar.SetMaximum(1000000);
  counter.paints = 0;
  for (int row = 1; row <= 5000; ++row) {  // 0.5 % at most: the text stays "0 %"
    bar.SetPosition(bar.Position() + 1);
    QApplication::processEvents();
  }
  EXPECT_EQ(bar.Text(), QStringLiteral("0 %"));
  EXPECT_EQ(counter.paints, 0);

  bar.SetPosition(5001);
  QApplication::processEvents();
  EXPECT_EQ(bar.Text(), QStringLiteral("1 %"));
  EXPECT_EQ(counter.paints, 1);
}

}  // namespace
}  // namespace lw
