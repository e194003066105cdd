#pragma once
// TcxProgressBar: a horizontal progress bar holding floating-point minimum, maximum and
// position, with its percentage written in the bar ("0 %"). The search run sets the position
// once per row, so the bar only schedules a repaint when the shown text changes.

#include <QWidget>

#include "reconcile/Ports.h"

namespace lw {

class TcxProgressBar : public QWidget, public ProgressPort {
  Q_OBJECT

 public:
  // Minimum 0, maximum 100, position 0: "0 %".
  explicit TcxProgressBar(QWidget* parent = nullptr);

  double Minimum() const { return minimum_; }
  double Maximum() const { return maximum_; }
  double Position() const override { return position_; }

  // The position is pulled into [minimum, maximum] when the maximum exceeds the minimum.
  void SetPosition(double position) override;
  // The range setters leave the stored position as it is; the text follows the new range.
  void SetMaximum(double maximum) override;
  void SetMinimum(double minimum);

  // What the bar shows now: the percentage and its text.
  int Percent() const { return percent_; }
  QString Text() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Refresh();

  double minimum_ = 0;
  double maximum_ = 100;
  double position_ = 0;
  int percent_ = 0;
};

}  // namespace lw
