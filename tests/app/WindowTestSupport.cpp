#include "tests/app/WindowTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>

#include "app/SystemText.h"
#include "app/TfrmMain.h"

namespace lw::test {

std::string ClickReadingMessageBox(QAbstractButton* button) {
  std::string shown;
  QObject watcher;  // the poll's connection dies with this call, so it cannot reach a later test
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &watcher, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      shown = ToSystemText(box->text());
      box->done(QMessageBox::Ok);
    }
  });
  poll.start(2);
  QTest::mouseClick(button, Qt::LeftButton);
  return shown;
}

std::vector<std::string> ReportLines(const TfrmMain& window, std::size_t from) {
  const ReportModel& model = window.RichEdit1->Model();
  std::vector<std::string> lines;
  for (std::size_t i = from; i < model.LineCount(); ++i) lines.push_back(model.Line(i));
  return lines;
}

}  // namespace lw::test
