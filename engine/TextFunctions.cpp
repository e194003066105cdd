#include "engine/TextFunctions.h"

#include <string>
#include <string_view>

#include "common/Utf8.h"
#include "engine/Schema.h"

namespace lw::engine {

namespace {

template <std::string (*Map)(std::string_view)>
void MapText(sqlite3_context* context, int, sqlite3_value** arguments) {
  const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
  if (text == nullptr) {
    sqlite3_result_null(context);
    return;
  }
  const std::string mapped = Map(std::string_view(text, static_cast<std::size_t>(sqlite3_value_bytes(arguments[0]))));
  sqlite3_result_text(context, mapped.data(), static_cast<int>(mapped.size()), SQLITE_TRANSIENT);
}

}  // namespace

Status RegisterTextFunctions(sqlite3* db) {
  constexpr int kFlags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
  int rc = sqlite3_create_function_v2(db, kUpperFunction, 1, kFlags, nullptr, MapText<UpperCaseUtf8>, nullptr, nullptr,
                                      nullptr);
  if (rc == SQLITE_OK) {
    rc = sqlite3_create_function_v2(db, kLowerFunction, 1, kFlags, nullptr, MapText<LowerCaseUtf8>, nullptr, nullptr,
                                    nullptr);
  }
  return rc == SQLITE_OK ? Status() : SqliteFailure(db, rc);
}

}  // namespace lw::engine
