#include "app/ReportModel.h"

#include <algorithm>

#include "common/Exceptions.h"
#include "common/Utf8.h"

namespace lw {

namespace {

std::size_t CountBreaks(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t at = text.find(ReportModel::kLineBreak); at != std::string_view::npos;
       at = text.find(ReportModel::kLineBreak, at + 2)) {
    ++count;
  }
  return count;
}

bool EndsWithBreak(std::string_view text) { return text.ends_with(ReportModel::kLineBreak); }

}  // namespace

ReportModel::ReportModel() : ReportModel("RichEdit1") {}

ReportModel::ReportModel(std::string text) : text_(std::move(text)), breaks_(CountBreaks(text_)) {}

void ReportModel::ClearReport() {
  text_.clear();
  breaks_ = 0;
  modified_ = false;
}

std::size_t ReportModel::LineCount() const noexcept {
  // breaks_ + 1 lines, less the empty last one (an empty text, or one ending in a break).
  return text_.empty() || EndsWithBreak(text_) ? breaks_ : breaks_ + 1;
}

std::string ReportModel::Line(std::size_t index) const {
  std::size_t begin = 0;
  for (std::size_t i = 0; i < index; ++i) {
    const std::size_t at = text_.find(kLineBreak, begin);
    if (at == std::string::npos) return {};
    begin = at + kLineBreak.size();
  }
  const std::size_t end = text_.find(kLineBreak, begin);
  return text_.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

void ReportModel::AppendReportLine(const std::string& line) {
  // Line n (n = the line count) exists only when it is the empty line after a trailing break
  // (or the report is empty); the text then goes where it begins, followed by a break.
  // Otherwise the last line holds text and the break goes before the new line. Either way the
  // insertion point is the end of the text.
  std::string inserted;
  inserted.reserve(line.size() + kLineBreak.size());
  if (text_.empty() || EndsWithBreak(text_)) {
    inserted.append(line).append(kLineBreak);
  } else {
    inserted.append(kLineBreak).append(line);
  }

  const std::size_t room = kCapacity - std::min(kCapacity, text_.size());
  std::size_t accepted = std::min(room, inserted.size());
  // The capacity counts bytes of the 8-bit (UTF-8) text, and a cut never splits a character.
  if (accepted < inserted.size()) accepted = Utf8Prefix(inserted, accepted).size();
  // A cut between CR and LF would leave a lone CR that no longer separates lines.
  if (accepted < inserted.size() && accepted > 0 && inserted[accepted - 1] == '\r' && inserted[accepted] == '\n') {
    --accepted;
  }
  const std::string_view kept(inserted.data(), accepted);
  // A break may straddle the old end and the kept text only when the old text ends in CR.
  const bool joins = !text_.empty() && text_.back() == '\r' && kept.starts_with('\n');
  text_.append(kept);
  breaks_ += CountBreaks(kept) + (joins ? 1 : 0);
  if (accepted > 0) modified_ = true;

  if (accepted != inserted.size()) throw EOutOfResources("RichEdit line insertion error");
}

}  // namespace lw
