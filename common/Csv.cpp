#include "common/Csv.h"

#include <stdexcept>

namespace lw {

std::optional<CsvRecord> CsvReader::Next() {
  if (line_ == 1 && !started_) {
    started_ = true;
    if (in_.peek() == 0xEF) {
      char mark[3] = {};
      in_.read(mark, 3);
      if (in_.gcount() != 3 || std::string(mark, 3) != "\xEF\xBB\xBF") {
        in_.clear();
        in_.seekg(0);
      }
    }
  }
  int c = in_.peek();
  if (c == EOF) return std::nullopt;
  CsvRecord record;
  record.line = line_;
  CsvField field;
  bool inQuotes = false;
  bool afterQuote = false;
  for (;;) {
    c = in_.get();
    if (c == EOF) {
      if (inQuotes) throw CsvError(record.line, "a quoted field is not closed");
      record.fields.push_back(std::move(field));
      return record;
    }
    char ch = static_cast<char>(c);
    // A NUL would end the text early wherever it is stored as C text.
    if (ch == '\0') throw CsvError(line_, "a NUL byte; CSV text holds none");
    if (inQuotes) {
      if (ch == '"') {
        if (in_.peek() == '"') {
          in_.get();
          field.text += '"';
        } else {
          inQuotes = false;
          afterQuote = true;
        }
      } else {
        if (ch == '\n') ++line_;
        field.text += ch;
      }
      continue;
    }
    if (ch == ',') {
      record.fields.push_back(std::move(field));
      field = CsvField();
      afterQuote = false;
      continue;
    }
    if (ch == '\r' && in_.peek() == '\n') continue;
    if (ch == '\n') {
      ++line_;
      record.fields.push_back(std::move(field));
      return record;
    }
    if (afterQuote) {
      // "a"b or "a" b: merging the text would store a value the file does not plainly say.
      throw CsvError(line_, "text after the closing quote of a field");
    }
    if (ch == '"' && field.text.empty() && !afterQuote) {
      inQuotes = true;
      field.quoted = true;
      continue;
    }
    field.text += ch;
  }
}

void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields, const std::vector<bool>& isNull) {
  for (std::size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) out << ',';
    const std::string& text = fields[i];
    bool null = i < isNull.size() && isNull[i];
    // A text that starts with U+FEFF is quoted: unquoted at the start of a file, the reader would
    // take it for the byte-order mark and drop it.
    bool quote = !null && (text.empty() || text.find_first_of(",\"\r\n") != std::string::npos || text.front() == ' ' ||
                           text.back() == ' ' || text.starts_with("\xEF\xBB\xBF"));
    if (!quote) {
      out << text;
      continue;
    }
    out << '"';
    for (char c : text) {
      if (c == '"') out << '"';
      out << c;
    }
    out << '"';
  }
  out << "\r\n";
}

}  // namespace lw
