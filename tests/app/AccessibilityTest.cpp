// What assistive technology reads from the main window, through Qt's accessibility interfaces.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QApplication>

#include "app/ShellBrowserDialogWindow.h"
#include "app/TfrmMain.h"

namespace lw {
namespace {

QAccessibleInterface* Accessible(QWidget* widget) {
  QAccessibleInterface* found = QAccessible::queryAccessibleInterface(widget);
  EXPECT_NE(found, nullptr) << widget->objectName().toStdString();
  return found;
}

TEST(Accessibility, EveryControlHasANameAndADescription) {
  TfrmMain form;
  const std::pair<QWidget*, QString> controls[] = {
      {&form, "Ledgerwick"},
      {form.Button1.get(), "Search"},
      {form.RichEdit1.get(), "Report"},
      {form.Button2.get(), "Print"},
      {form.cxProgressBar1.get(), "Search progress"},
      {form.cbFixData.get(), "Fix Balances"},
      {form.edtChart.get(), "Chart Number"},
      {form.Label1.get(), "Chart Number"},
  };
  for (const auto& [control, name] : controls) {
    QAccessibleInterface* accessible = Accessible(control);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), name) << control->objectName().toStdString();
    EXPECT_FALSE(accessible->text(QAccessible::Description).isEmpty()) << control->objectName().toStdString();
  }
  // Nothing on the window is left out of that list.
  EXPECT_EQ(form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), std::size(controls) - 1);
}

TEST(Accessibility, ChartLabelNamesTheChartBox) {
  TfrmMain form;
  EXPECT_EQ(form.Label1->buddy(), form.edtChart.get());
  QAccessibleInterface* label = Accessible(form.Label1.get());
  QAccessibleInterface* edit = Accessible(form.edtChart.get());
  ASSERT_TRUE(label != nullptr && edit != nullptr);
  bool labelled = false;
  for (const auto& [other, relation] : edit->relations(QAccessible::Label)) {
    labelled = labelled || other->object() == form.Label1.get();
  }
  EXPECT_TRUE(labelled);
  EXPECT_EQ(edit->role(), QAccessible::EditableText);
}

TEST(Accessibility, ProgressBarExposesItsValueAndRange) {
  TfrmMain form;
  QAccessibleInterface* bar = Accessible(form.cxProgressBar1.get());
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar->role(), QAccessible::ProgressBar);
  QAccessibleValueInterface* value = bar->valueInterface();
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->currentValue().toDouble(), 0.0);
  EXPECT_EQ(value->minimumValue().toDouble(), 0.0);
  EXPECT_EQ(value->maximumValue().toDouble(), 100.0);
  EXPECT_EQ(bar->text(QAccessible::Value), QStringLiteral("0 %"));

  form.cxProgressBar1->SetMaximum(8);
  form.cxProgressBar1->SetPosition(3);
  EXPECT_EQ(value->currentValue().toDouble(), 3.0);
  EXPECT_EQ(value->maximumValue().toDouble(), 8.0);
  EXPECT_EQ(bar->text(QAccessible::Value), QStringLiteral("38 %"));
  value->setCurrentValue(7);  // read-only for the user
  EXPECT_EQ(form.cxProgressBar1->Position(), 3.0);
}

TEST(Accessibility, FolderDialogControlsAreNamedAndDescribed) {
  TcxShellBrowserDlg dialog(FolderTreeOptions{});
  dialog.lblFolder->setText(QStringLiteral("Practice data folder"));
  const std::pair<QWidget*, QString> controls[] = {
      {dialog.cxTeFolder, "Practice data folder"},  // named by its label, whatever the caption
      {dialog.cxStv, "Folders"},
      {dialog.cxButton1, "OK"},
      {dialog.cxButton2, "Cancel"},
  };
  for (const auto& [control, name] : controls) {
    QAccessibleInterface* accessible = Accessible(control);
    ASSERT_NE(accessible, nullptr);
    EXPECT_EQ(accessible->text(QAccessible::Name), name) << control->objectName().toStdString();
    EXPECT_FALSE(accessible->text(QAccessible::Description).isEmpty()) << control->objectName().toStdString();
  }
}

}  // namespace
}  // namespace lw
