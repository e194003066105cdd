// import and export: a table's rows as CSV, in and out, on either kind of practice.
#include <strings.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/Csv.h"
#include "common/Exceptions.h"
#include "common/Utf8.h"
#include "tools/practice/Commands.h"
#include "tools/practice/PracticeLoader.h"

namespace lw::practice {

namespace {

// The header's column names, each a column of the table and none named twice.
std::vector<std::string> HeaderColumns(const CsvRecord& first, const std::vector<std::string>& known,
                                       const std::string& table) {
  std::vector<std::string> header;
  for (const auto& field : first.fields) {
    bool found = false;
    for (const std::string& name : known) found = found || EqualsIgnoringCase(name, field.text);
    if (!found) throw Exception("unknown column \"" + field.text + "\" in table " + table);
    for (const std::string& earlier : header) {
      if (strcasecmp(earlier.c_str(), field.text.c_str()) == 0) {
        throw Exception("the column \"" + field.text + "\" is named twice in the header");
      }
    }
    header.push_back(field.text);
  }
  return header;
}

engine::Row RowFrom(const CsvRecord& record, const std::vector<std::string>& header) {
  if (record.fields.size() != header.size()) {
    throw Exception("expected " + std::to_string(header.size()) + " fields, found " +
                    std::to_string(record.fields.size()));
  }
  engine::Row row;
  for (std::size_t i = 0; i < header.size(); ++i) {
    const auto& field = record.fields[i];
    if (field.IsNull()) {
      row.push_back({header[i], std::monostate()});
    } else {
      // A quoted empty field is a blank text, which the loader reads from a lone blank.
      row.push_back({header[i], field.text.empty() ? std::string(" ") : field.text});
    }
  }
  return row;
}

}  // namespace

int Import(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 3) return CommandUsage(err, "import", "expects a folder, a table and a CSV file");
  std::string path;
  if (int rc = RequireDictionary(err, "import", args[0], path); rc != kOk) return rc;
  std::ifstream in(args[2], std::ios::binary);
  if (!in) {
    err << "ledgerwick-practice import: cannot read " << args[2] << "\n";
    return kFailed;
  }
  PracticeLoader loader(path);
  std::vector<std::string> known;
  try {
    known = ColumnNames(path, args[1]);
  } catch (const Exception& e) {
    err << "ledgerwick-practice import: " << e.Message() << "\n";
    return kFailed;
  }
  CsvReader reader(in);
  std::int64_t rows = 0;
  int line = 0;
  try {
    auto first = reader.Next();
    if (!first) throw Exception("the file is empty; the first line must name the columns");
    line = first->line;
    const std::vector<std::string> header = HeaderColumns(*first, known, args[1]);
    loader.Begin();
    while (auto record = reader.Next()) {
      line = record->line;
      if (record->fields.size() == 1 && record->fields[0].IsNull()) continue;  // a blank line
      loader.Insert(args[1], RowFrom(*record, header));
      ++rows;
    }
    loader.Commit();
  } catch (const std::exception& e) {
    if (const auto* csv = dynamic_cast<const CsvError*>(&e)) line = csv->Line();
    err << "ledgerwick-practice import: " << args[2] << ":" << line << ": " << e.what() << "\nNothing was imported.\n";
    return kFailed;
  }
  out << "Imported " << rows << " rows into " << args[1] << "\n";
  return kOk;
}

int Export(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.size() != 2) return CommandUsage(err, "export", "expects a folder and a table");
  std::string path;
  if (int rc = RequireDictionary(err, "export", args[0], path); rc != kOk) return rc;
  std::vector<std::string> names = ColumnNames(path, args[1]);
  // Records gather in a buffer written out in large pieces: a stream tied to C's standard output
  // pays for every character it is given. What was read before a failure is still written.
  std::ostringstream buffer;
  const auto flush = [&] {
    out << buffer.str();
    buffer.str({});
    // No point reading the rest of the table once the rows cannot be written.
    if (!out) throw std::runtime_error("cannot write to standard output; the rows written are incomplete");
  };
  try {
    WriteCsvRecord(buffer, names, {});
    PracticeLoader loader(path);
    loader.ForEachRow(args[1], [&](const std::vector<std::string>& values, const std::vector<bool>& isNull) {
      WriteCsvRecord(buffer, values, isNull);
      if (buffer.tellp() >= 1 << 16) flush();
    });
  } catch (...) {
    flush();
    throw;
  }
  flush();
  out.flush();
  return kOk;
}

}  // namespace lw::practice
