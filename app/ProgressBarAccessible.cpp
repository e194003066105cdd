#include "app/ProgressBarAccessible.h"

#include "app/ProgressBar.h"

namespace lw {

ProgressBarAccessible::ProgressBarAccessible(TcxProgressBar* bar) : QAccessibleWidget(bar, QAccessible::ProgressBar) {}

const TcxProgressBar& ProgressBarAccessible::Bar() const { return *static_cast<const TcxProgressBar*>(widget()); }

QString ProgressBarAccessible::text(QAccessible::Text t) const {
  if (t == QAccessible::Value) return Bar().Text();
  return QAccessibleWidget::text(t);
}

void* ProgressBarAccessible::interface_cast(QAccessible::InterfaceType t) {
  if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
  return QAccessibleWidget::interface_cast(t);
}

QVariant ProgressBarAccessible::currentValue() const { return Bar().Position(); }
QVariant ProgressBarAccessible::maximumValue() const { return Bar().Maximum(); }
QVariant ProgressBarAccessible::minimumValue() const { return Bar().Minimum(); }

namespace {

QAccessibleInterface* CreateForProgressBar(const QString& className, QObject* object) {
  if (className == QLatin1String(TcxProgressBar::staticMetaObject.className())) {
    if (auto* bar = qobject_cast<TcxProgressBar*>(object)) return new ProgressBarAccessible(bar);
  }
  return nullptr;
}

}  // namespace

void InstallProgressBarAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(CreateForProgressBar);
    return true;
  }();
  (void)installed;
}

}  // namespace lw
