#pragma once
// What assistive technology learns of the progress bar: a progress bar whose value is the
// position within [minimum, maximum], read out as the text the bar shows ("42 %").

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>

namespace lw {

class TcxProgressBar;

class ProgressBarAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
 public:
  explicit ProgressBarAccessible(TcxProgressBar* bar);

  QString text(QAccessible::Text t) const override;
  void* interface_cast(QAccessible::InterfaceType t) override;

  // The position, the range and no step: the user cannot set the value.
  QVariant currentValue() const override;
  void setCurrentValue(const QVariant&) override {}
  QVariant maximumValue() const override;
  QVariant minimumValue() const override;
  QVariant minimumStepSize() const override { return 0; }

 private:
  const TcxProgressBar& Bar() const;
};

// Makes every TcxProgressBar answer with a ProgressBarAccessible. Installed once per process.
void InstallProgressBarAccessible();

}  // namespace lw
