#include "engine/KeyEqualities.h"

#include <cctype>

namespace lw::engine {

namespace {

struct Token {
  std::size_t begin = 0;
  std::size_t end = 0;
  int depth = 0;      // parentheses around it
  std::string upper;  // a word in upper case; empty for anything else
};

// Words, quoted names and literals, placeholders and single characters, with their depth.
// False when a quote or bracket is left open.
bool Tokens(const std::string& s, std::vector<Token>& out) {
  int depth = 0;
  for (std::size_t i = 0; i < s.size();) {
    const char c = s[i];
    Token token;
    token.begin = i;
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
      continue;
    }
    if (c == '"' || c == '\'') {
      std::size_t end = i + 1;
      for (;; ++end) {
        if (end >= s.size()) return false;
        if (s[end] != c) continue;
        if (end + 1 < s.size() && s[end + 1] == c) {
          ++end;
          continue;
        }
        break;
      }
      i = end + 1;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      std::size_t end = i;
      while (end < s.size() && (std::isalnum(static_cast<unsigned char>(s[end])) || s[end] == '_')) ++end;
      for (std::size_t k = i; k < end; ++k)
        token.upper += static_cast<char>(std::toupper(static_cast<unsigned char>(s[k])));
      i = end;
    } else if (c == '?') {
      std::size_t end = i + 1;
      while (end < s.size() && std::isdigit(static_cast<unsigned char>(s[end]))) ++end;
      i = end;
    } else {
      if (c == ')' && --depth < 0) return false;
      ++i;
    }
    token.end = i;
    token.depth = depth;
    if (c == '(') ++depth;
    out.push_back(std::move(token));
  }
  return depth == 0;
}

bool IsOneOf(const std::string& word, std::initializer_list<const char*> words) {
  for (const char* w : words) {
    if (word == w) return true;
  }
  return false;
}

// The column an equality's left side names, when it leads an index and its key expressions
// order its plain values (not a case-insensitive column).
const ColumnDef* LeadingColumn(const TableDef& table, const std::string& quoted) {
  for (const IndexDef& index : table.indexes) {
    if (index.segments.empty()) continue;
    const ColumnDef& column = table.columns[index.segments[0]];
    if (column.sqlName == quoted && !ace::IsCaseInsensitiveText(column.type)) return &column;
  }
  return nullptr;
}

}  // namespace

std::string WithKeyEqualities(const std::string& fromWhereOrder, const TableDef& table, const std::vector<Value>& binds,
                              const KeyEquality& keyEquality) {
  const std::string& s = fromWhereOrder;
  std::vector<Token> tokens;
  if (!Tokens(s, tokens)) return s;
  auto text = [&](const Token& t) { return s.substr(t.begin, t.end - t.begin); };
  // FROM <the table> WHERE, at the top level.
  if (tokens.size() < 4 || tokens[0].upper != "FROM" || text(tokens[1]) != table.sqlName ||
      tokens[2].upper != "WHERE") {
    return s;
  }
  std::size_t whereEnd = 3;
  while (whereEnd < tokens.size() && !(tokens[whereEnd].depth == 0 &&
                                       IsOneOf(tokens[whereEnd].upper, {"ORDER", "GROUP", "HAVING", "LIMIT", "OFFSET",
                                                                        "WINDOW", "UNION", "EXCEPT", "INTERSECT"}))) {
    ++whereEnd;
  }
  for (std::size_t i = 3; i < whereEnd; ++i) {
    // Words that join or negate conditions other than by AND, or hold an AND of their own.
    if (tokens[i].depth == 0 && IsOneOf(tokens[i].upper, {"OR", "NOT", "CASE", "BETWEEN", "ESCAPE"})) return s;
  }
  std::string added;
  std::size_t start = 3;
  while (start < whereEnd) {
    std::size_t end = start;
    while (end < whereEnd && !(tokens[end].depth == 0 && tokens[end].upper == "AND")) ++end;
    // Exactly: "column" = ?n
    if (end - start == 3 && text(tokens[start + 1]) == "=" && s[tokens[start].begin] == '"' &&
        s[tokens[start + 2].begin] == '?') {
      const ColumnDef* column = LeadingColumn(table, text(tokens[start]));
      const std::string placeholder = text(tokens[start + 2]);
      std::size_t number = placeholder.size() > 1 ? std::stoul(placeholder.substr(1)) : 0;
      if (column != nullptr && number >= 1 && number <= binds.size()) {
        const Value& value = binds[number - 1];
        const bool sameKind = (column->storage == Storage::Text && value.kind == Value::Kind::Text) ||
                              (column->storage == Storage::Integer && value.kind == Value::Kind::Integer);
        if (sameKind) added += " AND " + keyEquality(*column, placeholder);
      }
    }
    start = end + 1;
  }
  if (added.empty()) return s;
  const std::size_t at = whereEnd < tokens.size() ? tokens[whereEnd].begin : s.size();
  std::string out = s.substr(0, at);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out + added + (at < s.size() ? " " + s.substr(at) : "");
}

}  // namespace lw::engine
