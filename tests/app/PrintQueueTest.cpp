// One job through a real print queue: a private CUPS scheduler started for the test, with a queue
// whose backend keeps each job's document and the name the scheduler gave the job. The printer
// object uses the system's own printing system (Qt's CUPS support), as the program does.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "app/PrintDialog.h"
#include "app/RichEdit.h"
#include "tests/app/PrintTestSupport.h"
#include "tests/support/TempDir.h"

namespace lw {
namespace {

constexpr const char* kQueue = "LedgerwickQueue";

// A scheduler listening on a socket in a private folder, with one queue printing to `out.pdf`.
class PrivateCups {
 public:
  explicit PrivateCups(const test::TempDir& dir) : root_(QString::fromStdString(dir.Path().string())) {}

  ~PrivateCups() {
    if (scheduler_.state() != QProcess::NotRunning) {
      scheduler_.terminate();
      if (!scheduler_.waitForFinished(10000)) scheduler_.kill();
      scheduler_.waitForFinished(10000);
    }
    qunsetenv("CUPS_SERVER");
    UseServerFromEnvironment();
  }

  // Empty when the scheduler runs and the queue is the default; otherwise why not.
  QString Start() {
    const QString cupsd = QStandardPaths::findExecutable(QStringLiteral("cupsd"), {"/usr/sbin", "/usr/bin"});
    const QString lpadmin = QStandardPaths::findExecutable(QStringLiteral("lpadmin"), {"/usr/sbin", "/usr/bin"});
    if (cupsd.isEmpty() || lpadmin.isEmpty())
      return QStringLiteral("the CUPS scheduler (cups-daemon) is not installed");
    if (geteuid() != 0) return QStringLiteral("a private CUPS scheduler runs its backends as root only");

    QDir(root_).mkpath(QStringLiteral("bin/backend"));
    for (const char* folder : {"filter", "daemon", "cgi-bin", "driver", "monitor", "notifier"}) {
      QFile::link(QStringLiteral("/usr/lib/cups/") + folder, Path(QStringLiteral("bin/") + folder));
    }
    for (const char* folder : {"conf", "spool", "cache", "state", "tmp", "log"}) QDir(root_).mkpath(folder);
    Write(QStringLiteral("bin/backend/capture"),
          "#!/bin/sh\n"
          "# Keeps the job's document and the job name the scheduler passed on.\n"
          "if [ $# -eq 0 ]; then echo 'file capture \"Unknown\" \"Capture\"'; exit 0; fi\n"
          "out=\"${DEVICE_URI#capture:}\"\n"
          "printf '%s\\n%s\\n' \"$3\" \"$4\" > \"$out.job\"\n"
          "if [ $# -ge 6 ]; then cat \"$6\" > \"$out.tmp\"; else cat > \"$out.tmp\"; fi\n"
          "mv \"$out.tmp\" \"$out\"\n",
          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::setPermissions(Path(QStringLiteral("bin")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                           QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup |
                                                           QFile::ExeGroup);
    QFile::setPermissions(Path(QStringLiteral("bin/backend")), QFile::permissions(Path(QStringLiteral("bin"))));
    Write(QStringLiteral("cups-files.conf"),
          ("ServerRoot " + Path("conf") + "\nRequestRoot " + Path("spool") + "\nCacheDir " + Path("cache") +
           "\nStateDir " + Path("state") + "\nTempDir " + Path("tmp") + "\nServerBin " + Path("bin") + "\nAccessLog " +
           Path("log/access_log") + "\nErrorLog " + Path("log/error_log") + "\nPageLog " + Path("log/page_log") +
           "\nPrintcap " + Path("printcap") + "\n")
              .toUtf8());
    const QByteArray schedulerConf = ("Listen " + Socket() +
                                      "\nBrowsing No\nWebInterface No\nDefaultAuthType None\n"
                                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n")
                                         .toUtf8();
    Write(QStringLiteral("cupsd.conf"), schedulerConf);
    Write(QStringLiteral("conf/cupsd.conf"), schedulerConf);

    scheduler_.setProcessChannelMode(QProcess::MergedChannels);
    scheduler_.start(cupsd, {"-f", "-c", Path("cupsd.conf"), "-s", Path("cups-files.conf")});
    if (!scheduler_.waitForStarted(10000)) return QStringLiteral("cupsd did not start");
    for (int i = 0; i < 100 && !QFile::exists(Socket()); ++i) QThread::msleep(100);
    if (!QFile::exists(Socket())) return QStringLiteral("cupsd did not listen: ") + scheduler_.readAll();

    qputenv("CUPS_SERVER", Socket().toUtf8());
    UseServerFromEnvironment();
    QProcess admin;
    admin.setProcessChannelMode(QProcess::MergedChannels);
    admin.start(lpadmin, {"-p", kQueue, "-E", "-v", "capture:" + Output()});
    admin.waitForFinished(30000);
    if (admin.exitCode() != 0) return QStringLiteral("lpadmin -p failed: ") + admin.readAll();
    admin.start(lpadmin, {"-d", kQueue});
    admin.waitForFinished(30000);
    if (admin.exitCode() != 0) return QStringLiteral("lpadmin -d failed: ") + admin.readAll();
    return {};
  }

  QString Output() const { return Path(QStringLiteral("out.pdf")); }

  // Waits for the backend to have written the job; its name and copy count, or empty on timeout.
  QStringList WaitForJob() const {
    for (int i = 0; i < 300 && !QFile::exists(Output()); ++i) QThread::msleep(100);
    QFile job(Output() + ".job");
    if (!job.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(job.readAll()).split('\n', Qt::SkipEmptyParts);
  }

 private:
  QString Path(const QString& name) const { return root_ + '/' + name; }
  QString Socket() const { return Path(QStringLiteral("cups.sock")); }

  void Write(const QString& name, const QByteArray& text,
             QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther |
                                              QFile::ReadGroup) const {
    QFile file(Path(name));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(text);
    file.close();
    file.setPermissions(permissions);
  }

  // The CUPS client library remembers the server it first used; make it read CUPS_SERVER again.
  static void UseServerFromEnvironment() {
    using SetServer = void (*)(const char*);
    // Qt's print plugin loads the library privately: reach that same instance by name.
    void* library = dlopen("libcups.so.2", RTLD_LAZY);
    if (library == nullptr) return;
    if (auto set = reinterpret_cast<SetServer>(dlsym(library, "cupsSetServer"))) set(nullptr);
    dlclose(library);
  }

  QString root_;
  QProcess scheduler_;
};

TEST(PrintQueue, JobThroughARealQueueIsNamedLedgerwickAndHoldsTheReport) {
  test::TempDir dir;
  PrivateCups cups(dir);
  const QString unavailable = cups.Start();
  if (!unavailable.isEmpty()) GTEST_SKIP() << unavailable.toStdString();

  auto previous = SetPrinter(std::make_unique<TPrinter>());  // the system's printers, through Qt
  TPrintDialog dialog;
  dialog.SetRunner([](QPrintDialog&) { return int(QDialog::Accepted); });
  TRichEdit report;
  report.ClearReport();
  report.AppendReportLine("/practice/MWDDF.ADD");
  report.AppendReportLine("");
  report.AppendReportLine("queued line");

  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(Printer().PrinterName(), QString::fromLatin1(kQueue));
  report.PrintReport(QStringLiteral("Ledgerwick"));
  const QStringList job = cups.WaitForJob();
  SetPrinter(std::move(previous));

  ASSERT_EQ(job.size(), 2) << "the queue's backend never received the job";
  EXPECT_EQ(job[0], QStringLiteral("Ledgerwick")) << "the job's name in the printing system";
  EXPECT_EQ(job[1], QStringLiteral("1")) << "copies";
  const test::PdfDocument printed = test::ReadPdf(cups.Output().toStdString());
  EXPECT_EQ(printed.pages, 1);
  ASSERT_EQ(printed.pageTexts.size(), 1u);
  EXPECT_EQ(test::Words(printed.pageTexts[0]), (std::vector<std::string>{"/practice/MWDDF.ADD", "queued", "line"}));
}

}  // namespace
}  // namespace lw
