#pragma once
// CSV as the practice tool reads and writes it: comma-separated, fields in double quotes when
// they hold a comma, a quote, a line break or outer blanks, quotes doubled inside. An unquoted
// empty field is NULL; a quoted empty field ("") is an empty (blank) text.

#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace lw {

struct CsvField {
  std::string text;
  bool quoted = false;
  bool IsNull() const { return text.empty() && !quoted; }
};

struct CsvRecord {
  int line = 0;  // the line the record starts on (from 1)
  std::vector<CsvField> fields;
};

// A file that is not CSV as this reader takes it; `line` is where the fault is (from 1), and the
// message does not repeat it.
class CsvError : public std::runtime_error {
 public:
  CsvError(int line, const std::string& message) : std::runtime_error(message), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_;
};

class CsvReader {
 public:
  explicit CsvReader(std::istream& in) : in_(in) {}
  // The next record, or nothing at the end. A UTF-8 byte-order mark before the first record is
  // skipped. Throws CsvError for a quote that is never closed, text after a field's closing
  // quote, and a NUL byte.
  std::optional<CsvRecord> Next();

 private:
  std::istream& in_;
  int line_ = 1;
  bool started_ = false;
};

// Writes one record; `isNull` marks the fields written as NULL.
void WriteCsvRecord(std::ostream& out, const std::vector<std::string>& fields, const std::vector<bool>& isNull);

}  // namespace lw
