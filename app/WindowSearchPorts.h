#pragma once
// The search run's front-end ports over the main window's controls.

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <string>

#include "app/ShellBrowserDialog.h"
#include "reconcile/Ports.h"

namespace lw {

class ButtonPort : public SearchButton {
 public:
  explicit ButtonPort(QAbstractButton& button) : button_(button) {}
  void SetEnabled(bool enabled) override { button_.setEnabled(enabled); }

 private:
  QAbstractButton& button_;
};

// The recorded current practice, offered in the folder dialog.
class FolderDialogPort : public FolderChooser {
 public:
  explicit FolderDialogPort(TcxShellBrowserDialog& dialog) : dialog_(dialog) {}
  std::string ReadCurrentPractice() override;
  bool Execute(std::string& path) override;

 private:
  TcxShellBrowserDialog& dialog_;
};

class ChartEditPort : public ChartBox {
 public:
  explicit ChartEditPort(QLineEdit& edit) : edit_(edit) {}
  std::string Text() const override;  // 8-bit text

 private:
  QLineEdit& edit_;
};

class CheckBoxFixFlag : public FixFlag {
 public:
  explicit CheckBoxFixFlag(QCheckBox& box) : box_(box) {}
  bool IsSet() const override { return box_.isChecked(); }

 private:
  QCheckBox& box_;
};

}  // namespace lw
