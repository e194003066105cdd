#pragma once
// Driving the main window in tests: a click whose command may open a message box, and the report
// as lines.

#include <cstddef>
#include <string>
#include <vector>

class QAbstractButton;

namespace lw {
class TfrmMain;
}

namespace lw::test {

// Clicks `button` and returns the text of the message box its command opens, closed with OK ("" when
// none opens). The box is looked for while the command runs, from within its own event loop.
std::string ClickReadingMessageBox(QAbstractButton* button);

// The window's report, one string a line, from line `from` on.
std::vector<std::string> ReportLines(const TfrmMain& window, std::size_t from = 0);

}  // namespace lw::test
