// The CSV importer's reader: any bytes either read as records or raise std::runtime_error, and
// records written back read as the same fields, NULLs included.

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Csv.h"

namespace {

std::vector<lw::CsvRecord> ReadAll(const std::string& text) {
  std::istringstream in(text);
  lw::CsvReader reader(in);
  std::vector<lw::CsvRecord> records;
  while (auto record = reader.Next()) records.push_back(std::move(*record));
  return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<lw::CsvRecord> records;
  try {
    records = ReadAll(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const std::runtime_error&) {
    return 0;
  }
  std::ostringstream out;
  for (const auto& record : records) {
    std::vector<std::string> fields;
    std::vector<bool> isNull;
    for (const auto& field : record.fields) {
      fields.push_back(field.text);
      isNull.push_back(field.IsNull());
    }
    lw::WriteCsvRecord(out, fields, isNull);
  }
  const std::vector<lw::CsvRecord> back = ReadAll(out.str());
  if (back.size() != records.size()) std::abort();
  for (std::size_t r = 0; r < records.size(); ++r) {
    if (back[r].fields.size() != records[r].fields.size()) std::abort();
    for (std::size_t f = 0; f < records[r].fields.size(); ++f) {
      if (back[r].fields[f].text != records[r].fields[f].text) std::abort();
      if (back[r].fields[f].IsNull() != records[r].fields[f].IsNull()) std::abort();
    }
  }
  return 0;
}
