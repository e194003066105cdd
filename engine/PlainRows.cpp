#include "engine/PlainRows.h"

#include <cctype>

namespace lw::engine {

bool SelectsPlainRows(const std::string& sql) {
  static const char* const kShaping[] = {"DISTINCT", "ORDER", "GROUP",  "HAVING",   "LIMIT",
                                         "OFFSET",   "UNION", "EXCEPT", "INTERSECT"};
  static const char* const kAggregates[] = {"COUNT", "SUM", "MIN", "MAX", "AVG", "TOTAL", "GROUP_CONCAT"};
  int depth = 0;
  char quote = 0;
  bool first = true;
  for (std::size_t i = 0; i < sql.size();) {
    const char c = sql[i];
    if (quote) {
      if (c == quote) quote = 0;
      ++i;
    } else if (c == '"' || c == '\'') {
      quote = c;
      ++i;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t end = i;
      while (end < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_')) ++end;
      std::string word = sql.substr(i, end - i);
      for (char& w : word) w = static_cast<char>(std::toupper(static_cast<unsigned char>(w)));
      std::size_t next = end;
      while (next < sql.size() && sql[next] == ' ') ++next;
      if (first && word != "SELECT") return false;
      first = false;
      for (const char* shaping : kShaping) {
        if (depth == 0 && word == shaping) return false;
      }
      for (const char* aggregate : kAggregates) {
        if (word == aggregate && next < sql.size() && sql[next] == '(') return false;
      }
      i = end;
    } else {
      if (c == '(') ++depth;
      if (c == ')') --depth;
      ++i;
    }
  }
  return true;
}

}  // namespace lw::engine
