#include "app/ProgressBar.h"

#include <QAccessible>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include "app/ProgressBarAccessible.h"
#include "app/ProgressText.h"

namespace lw {

TcxProgressBar::TcxProgressBar(QWidget* parent) : QWidget(parent) {
  InstallProgressBarAccessible();
  setFocusPolicy(Qt::NoFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  percent_ = ProgressPercent(minimum_, maximum_, position_);
}

void TcxProgressBar::SetPosition(double position) {
  position_ = ClampProgressPosition(minimum_, maximum_, position);
  Refresh();
}

void TcxProgressBar::SetMaximum(double maximum) {
  maximum_ = maximum;
  Refresh();
}

void TcxProgressBar::SetMinimum(double minimum) {
  minimum_ = minimum;
  Refresh();
}

QString TcxProgressBar::Text() const { return QString::fromStdString(ProgressText(percent_)); }

void TcxProgressBar::Refresh() {
  const int percent = ProgressPercent(minimum_, maximum_, position_);
  if (percent == percent_) return;
  percent_ = percent;
  update();
  // Screen readers hear the new percentage as it is shown.
  QAccessibleValueChangeEvent changed(this, position_);
  QAccessible::updateAccessibility(&changed);
}

QSize TcxProgressBar::sizeHint() const {
  // The toolkit's own progress bar measure: room for the text plus the style's frame.
  QStyleOptionProgressBar option;
  option.initFrom(this);
  const int chunk = style()->pixelMetric(QStyle::PM_ProgressBarChunkWidth, &option, this);
  const QSize contents(qMax(9, chunk) * 7 + fontMetrics().horizontalAdvance(QLatin1Char('0')) * 4,
                       fontMetrics().height() + 8);
  return style()->sizeFromContents(QStyle::CT_ProgressBar, &option, contents, this);
}

QSize TcxProgressBar::minimumSizeHint() const { return QSize(sizeHint().width(), fontMetrics().height() + 2); }

void TcxProgressBar::paintEvent(QPaintEvent*) {
  QStyleOptionProgressBar option;
  option.initFrom(this);
  option.minimum = 0;
  option.maximum = 100;
  option.progress = qBound(0, percent_, 100);
  option.text = Text();
  option.textVisible = true;
  option.textAlignment = Qt::AlignCenter;
  option.state |= QStyle::State_Horizontal;
  QPainter painter(this);
  style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

}  // namespace lw
