#pragma once
// The report's text: lines separated by CR LF, a fixed capacity, and the line-append rule
// of the report area. Qt-free, so the search run and the headless check can use it too.

#include <cstddef>
#include <string>
#include <string_view>

#include "reconcile/Ports.h"

namespace lw {

class ReportModel : public ReportSink {
 public:
  // The report area's default text limit: 64K bytes of its UTF-8 text, each line break counting
  // two.
  static constexpr std::size_t kCapacity = 64 * 1024;
  static constexpr std::string_view kLineBreak = "\r\n";

  // Starts holding the area's design-time text, "RichEdit1".
  ReportModel();
  explicit ReportModel(std::string text);

  // Empties the report and clears the modified flag. Never fails.
  void ClearReport() override;

  // Appends `line` as the new last line, followed by a line break. When the inserted text does
  // not fit in the capacity, keeps the part that fits (never half a line break or half a
  // character) and raises EOutOfResources "RichEdit line insertion error".
  void AppendReportLine(const std::string& line) override;

  const std::string& Text() const noexcept { return text_; }
  std::size_t Length() const noexcept { return text_.size(); }

  // The number of lines, less one when the last line is empty: an empty report has 0 lines, and
  // the empty line after a trailing line break is not counted.
  std::size_t LineCount() const noexcept;

  // The text of line `index` (0-based) without its line break; empty past the last line.
  std::string Line(std::size_t index) const;

  // Set by every change of the text since the last ClearReport; nothing in the program reads it.
  bool Modified() const noexcept { return modified_; }

 private:
  std::string text_;
  std::size_t breaks_ = 0;  // line breaks in text_, kept so LineCount stays O(1)
  bool modified_ = false;
};

}  // namespace lw
