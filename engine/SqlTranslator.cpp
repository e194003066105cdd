#include "engine/SqlTranslator.h"

#include <memory>
#include <set>

#include "common/NumberText.h"
#include "common/Utf8.h"
#include "engine/SqlTokens.h"
#include "engine/TextFunctions.h"

namespace lw::engine {

namespace {

using Token = SqlToken;

const std::set<std::string>& Keywords() {
  static const std::set<std::string> words = {
      "SELECT", "FROM", "WHERE", "AND",    "OR",     "NOT",  "IS",     "NULL",   "IN",       "LIKE",  "BETWEEN",
      "ESCAPE", "ASC",  "DESC",  "CASE",   "WHEN",   "THEN", "ELSE",   "END",    "DISTINCT", "ALL",   "AS",
      "ORDER",  "BY",   "GROUP", "HAVING", "UPDATE", "SET",  "DELETE", "INSERT", "INTO",     "VALUES"};
  return words;
}

const char* FunctionName(const std::string& upper) {
  static const std::pair<const char*, const char*> kFunctions[] = {{"UPPER", kUpperFunction},
                                                                   {"LOWER", kLowerFunction},
                                                                   {"UCASE", kUpperFunction},
                                                                   {"LCASE", kLowerFunction},
                                                                   {"TRIM", "trim"},
                                                                   {"LTRIM", "ltrim"},
                                                                   {"RTRIM", "rtrim"},
                                                                   {"ABS", "abs"},
                                                                   {"ROUND", "round"},
                                                                   {"COUNT", "count"},
                                                                   {"SUM", "sum"},
                                                                   {"MIN", "min"},
                                                                   {"MAX", "max"},
                                                                   {"AVG", "avg"},
                                                                   {"IFNULL", "ifnull"},
                                                                   {"COALESCE", "coalesce"},
                                                                   {"LENGTH", "length"},
                                                                   {"CHAR_LENGTH", "length"},
                                                                   {"SUBSTRING", "substr"}};
  for (const auto& [from, to] : kFunctions) {
    if (upper == from) return to;
  }
  return nullptr;
}

class Translator {
 public:
  Translator(const std::vector<Token>& tokens, const Catalog& catalog, TranslatedSql& out)
      : tokens_(tokens), catalog_(catalog), out_(out) {}

  Status Run() {
    if (tokens_.empty()) return SqlRejection(ace::kNativeSyntaxError, "the statement is empty.");
    end_ = tokens_.size();
    while (end_ > 0 && tokens_[end_ - 1].type == Token::Type::Symbol && tokens_[end_ - 1].text == ";") --end_;
    const std::string& first = tokens_[0].upper;
    std::size_t tableAt;
    if (first == "SELECT") {
      out_.kind = TranslatedSql::Kind::Select;
      tableAt = FindTopLevel("FROM", 1);
      if (tableAt == npos) return SqlRejection(ace::kNativeSyntaxError, "a SELECT needs FROM and a table name.");
      ++tableAt;
    } else if (first == "UPDATE") {
      out_.kind = TranslatedSql::Kind::Update;
      tableAt = 1;
    } else if (first == "DELETE") {
      out_.kind = TranslatedSql::Kind::Delete;
      if (end_ < 2 || tokens_[1].upper != "FROM") return SqlRejection(ace::kNativeSyntaxError, "DELETE needs FROM.");
      tableAt = 2;
    } else if (first == "INSERT") {
      out_.kind = TranslatedSql::Kind::Insert;
      if (end_ < 2 || tokens_[1].upper != "INTO") return SqlRejection(ace::kNativeSyntaxError, "INSERT needs INTO.");
      tableAt = 2;
    } else {
      return SqlRejection(ace::kNativeSyntaxError, "unexpected \"" + tokens_[0].text +
                                                       "\" at the start of the statement (line " +
                                                       std::to_string(tokens_[0].line) + ").");
    }
    LW_RETURN_IF_ERROR(ResolveTable(tableAt));
    if (out_.kind == TranslatedSql::Kind::Select) {
      std::size_t from = tableAt - 1;
      std::size_t listStart = 1;
      std::string prefix;
      if (listStart < from && (tokens_[listStart].upper == "DISTINCT" || tokens_[listStart].upper == "ALL")) {
        prefix = tokens_[listStart].upper + " ";
        ++listStart;
      }
      LW_RETURN_IF_ERROR(SelectList(listStart, from));
      std::string rest;
      LW_RETURN_IF_ERROR(Emit(from, end_, rest));
      out_.selectList = prefix + out_.selectList;
      out_.fromWhereOrder = rest;
      out_.sql = "SELECT " + out_.selectList + " " + rest;
    } else {
      LW_RETURN_IF_ERROR(Emit(0, end_, out_.sql));
      std::size_t where = FindTopLevel("WHERE", 1);
      if (out_.kind != TranslatedSql::Kind::Insert && where != npos) {
        LW_RETURN_IF_ERROR(Emit(where + 1, end_, out_.whereSql));
      }
    }
    return {};
  }

 private:
  static constexpr std::size_t npos = static_cast<std::size_t>(-1);

  // +1 for an opening bracket, -1 for a closing one, 0 for any other token.
  static int Nesting(const Token& t) {
    if (t.type != Token::Type::Symbol) return 0;
    return t.text == "(" ? 1 : t.text == ")" ? -1 : 0;
  }

  // The first token in [from, to) outside any bracket opened after `from` for which `match`
  // holds; npos for none.
  template <typename Match>
  std::size_t FindTopLevelIf(std::size_t from, std::size_t to, Match match) const {
    int depth = 0;
    for (std::size_t i = from; i < to; ++i) {
      depth += Nesting(tokens_[i]);
      if (depth == 0 && match(tokens_[i])) return i;
    }
    return npos;
  }

  std::size_t FindTopLevel(const char* word, std::size_t from) const {
    return FindTopLevelIf(from, end_,
                          [word](const Token& t) { return t.type == Token::Type::Word && t.upper == word; });
  }

  // The bracket closing the one opened at `open`.
  std::size_t Matching(std::size_t open) const {
    int depth = 0;
    for (std::size_t i = open; i < end_; ++i) {
      depth += Nesting(tokens_[i]);
      if (depth == 0) return i;
    }
    return npos;
  }

  Status ResolveTable(std::size_t at) {
    if (at >= end_ || (tokens_[at].type != Token::Type::Word && tokens_[at].type != Token::Type::Quoted)) {
      return SqlRejection(ace::kNativeSyntaxError, "a table name is expected.");
    }
    std::string name = tokens_[at].text;
    std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name = name.substr(slash + 1);
    std::string key = UpperCaseUtf8(name);
    if (key.size() > 4 && key.compare(key.size() - 4, 4, ".ADT") == 0) key.resize(key.size() - 4);
    auto found = catalog_.find(key);
    if (found == catalog_.end()) {
      return SqlRejection(ace::kNativeUnknownTable, "table not found: \"" + tokens_[at].text + "\".");
    }
    out_.table = found->second;
    tableAt_ = at;
    aliasAt_ = npos;
    std::size_t next = at + 1;
    if (next < end_ && tokens_[next].upper == "AS") ++next;
    if (next < end_ && (tokens_[next].type == Token::Type::Quoted ||
                        (tokens_[next].type == Token::Type::Word && !Keywords().count(tokens_[next].upper)))) {
      alias_ = tokens_[next].upper;
      aliasAt_ = next;
      asAt_ = next != at + 1 ? at + 1 : npos;
    }
    if (aliasAt_ != npos || at + 1 < end_) {
      std::size_t after = aliasAt_ != npos ? aliasAt_ + 1 : at + 1;
      if (after < end_ && tokens_[after].type == Token::Type::Symbol && tokens_[after].text == ",") {
        return SqlRejection(ace::kNativeUnsupported, "a statement may read one table only.");
      }
    }
    return {};
  }

  bool IsQualifier(std::size_t i) const {
    if (i + 1 >= end_ || tokens_[i + 1].type != Token::Type::Symbol || tokens_[i + 1].text != ".") return false;
    return tokens_[i].type == Token::Type::Word || tokens_[i].type == Token::Type::Quoted;
  }

  Status Qualifier(std::size_t i) const {
    std::string name = UpperCaseUtf8(tokens_[i].text);
    std::string table = UpperCaseUtf8(out_.table->name);
    if (name == table || name == table + ".ADT" || (!alias_.empty() && name == alias_)) return {};
    return SqlRejection(ace::kNativeUnknownTable, "unknown table or alias \"" + tokens_[i].text + "\" (line " +
                                                      std::to_string(tokens_[i].line) + ").");
  }

  // A table name or alias before "." is checked and dropped: the statement reads one table.
  Status SkipQualifier(std::size_t& i, std::string& out, bool& skipped) const {
    skipped = IsQualifier(i);
    if (!skipped) return {};
    LW_RETURN_IF_ERROR(Qualifier(i));
    ++i;  // the "."; the column name follows as the next token
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return {};
  }

  Status Column(const Token& token, std::string& out, int* column = nullptr) {
    int found = out_.table->FindColumn(token.text);
    if (found < 0) {
      for (std::size_t r = 0; r < out_.results.size(); ++r) {
        if (UpperCaseUtf8(out_.results[r].name) == token.upper) {
          out += "c" + std::to_string(r + 1);
          return {};
        }
      }
      return SqlRejection(ace::kNativeUnknownColumn,
                          "column not found: \"" + token.text + "\" (line " + std::to_string(token.line) + ").");
    }
    if (column != nullptr) *column = found;
    out += out_.table->columns[found].sqlName;
    return {};
  }

  void Bind(Value value, std::string& out) {
    out_.binds.push_back(std::move(value));
    out += "?" + std::to_string(out_.binds.size());
  }

  Status Emit(std::size_t begin, std::size_t end, std::string& out) {
    for (std::size_t i = begin; i < end; ++i) {
      const Token& t = tokens_[i];
      if (!out.empty() && out.back() != '(' && !(t.type == Token::Type::Symbol && (t.text == ")" || t.text == ",")))
        out += ' ';
      if (i == tableAt_) {
        out += out_.table->sqlName;
        continue;
      }
      if (i == aliasAt_ || i == asAt_) {
        if (!out.empty() && out.back() == ' ') out.pop_back();
        continue;
      }
      switch (t.type) {
        case Token::Type::String: Bind(Value::Text(t.text), out); break;
        case Token::Type::Number: {
          // A literal's "." is its decimal point whatever the locale.
          std::int64_t integer = 0;
          double real = 0;
          if (t.text.find_first_of(".eE") == std::string::npos && t.text.size() < 19) {
            ReadInteger(t.text, integer);
            Bind(Value::Int(integer), out);
          } else {
            ReadDouble(t.text, real);
            Bind(Value::Real(real), out);
          }
          break;
        }
        case Token::Type::Param: Bind(Value(), out); break;
        case Token::Type::Symbol:
          if (out.size() > 0 && out.back() == ' ' && (t.text == ")" || t.text == ",")) out.pop_back();
          out += t.text == "!=" ? "<>" : t.text;
          break;
        case Token::Type::Quoted: {
          bool skipped = false;
          LW_RETURN_IF_ERROR(SkipQualifier(i, out, skipped));
          if (!skipped) LW_RETURN_IF_ERROR(Column(t, out));
          break;
        }
        case Token::Type::Word: {
          bool call = i + 1 < end && tokens_[i + 1].type == Token::Type::Symbol && tokens_[i + 1].text == "(";
          if (t.upper == "POSITION" && call) {
            std::size_t close = Matching(i + 1);
            if (close == npos || close > end) return SqlRejection(ace::kNativeSyntaxError, "POSITION is not closed.");
            const std::size_t in = FindTopLevelIf(
                i + 2, close, [](const Token& k) { return k.type == Token::Type::Word && k.upper == "IN"; });
            if (in == npos) return SqlRejection(ace::kNativeSyntaxError, "POSITION needs the form POSITION(a IN b).");
            std::string needle, haystack;
            LW_RETURN_IF_ERROR(Emit(i + 2, in, needle));
            LW_RETURN_IF_ERROR(Emit(in + 1, close, haystack));
            out += "instr((" + haystack + "), (" + needle + "))";
            i = close;
            break;
          }
          if (call) {
            if (const char* name = FunctionName(t.upper)) {
              out += name;
              break;
            }
          }
          if (t.upper == "TRUE" || t.upper == "FALSE") {
            out += t.upper == "TRUE" ? "1" : "0";
            break;
          }
          if ((t.upper == "FROM" || t.upper == "FOR") && insideSubstring(i)) {
            if (!out.empty() && out.back() == ' ') out.pop_back();
            out += ",";
            break;
          }
          if (Keywords().count(t.upper)) {
            out += t.upper;
            break;
          }
          bool skipped = false;
          LW_RETURN_IF_ERROR(SkipQualifier(i, out, skipped));
          if (!skipped) LW_RETURN_IF_ERROR(Column(t, out));
          break;
        }
      }
    }
    return {};
  }

  // Whether token i stands directly inside SUBSTRING( ... ), where FROM and FOR separate arguments.
  bool insideSubstring(std::size_t i) const {
    int depth = 0;
    for (std::size_t k = i; k-- > 0;) {
      depth -= Nesting(tokens_[k]);
      if (depth < 0) return k > 0 && tokens_[k - 1].upper == "SUBSTRING";
    }
    return false;
  }

  Status SelectList(std::size_t begin, std::size_t end) {
    if (begin >= end) return SqlRejection(ace::kNativeSyntaxError, "the column list is empty.");
    std::vector<std::pair<std::size_t, std::size_t>> items;
    auto comma = [](const Token& t) { return t.type == Token::Type::Symbol && t.text == ","; };
    for (std::size_t itemStart = begin;;) {
      const std::size_t at = FindTopLevelIf(itemStart, end, comma);
      items.emplace_back(itemStart, at == npos ? end : at);
      if (at == npos) break;
      itemStart = at + 1;
    }
    std::string list;
    auto add = [&](const std::string& expression, const std::string& name, int source) {
      out_.results.push_back({name, source});
      list += (list.empty() ? "" : ", ") + expression + " AS c" + std::to_string(out_.results.size());
    };
    for (auto [b, e] : items) {
      if (b >= e) return SqlRejection(ace::kNativeSyntaxError, "an empty item in the column list.");
      if (e - b == 1 && tokens_[b].type == Token::Type::Symbol && tokens_[b].text == "*") {
        for (std::size_t c = 0; c < out_.table->columns.size(); ++c) {
          add(out_.table->columns[c].sqlName, out_.table->columns[c].name, static_cast<int>(c));
        }
        continue;
      }
      std::string alias;
      std::size_t exprEnd = e;
      if (e - b >= 2 && (tokens_[e - 1].type == Token::Type::Quoted || tokens_[e - 1].type == Token::Type::Word) &&
          tokens_[e - 2].upper == "AS") {
        alias = tokens_[e - 1].text;
        exprEnd = e - 2;
      }
      std::size_t nameAt = b;
      if (exprEnd - b == 3 && IsQualifier(b)) {
        LW_RETURN_IF_ERROR(Qualifier(b));
        nameAt = b + 2;
      }
      bool single = exprEnd - nameAt == 1 &&
                    (tokens_[nameAt].type == Token::Type::Quoted ||
                     (tokens_[nameAt].type == Token::Type::Word && !Keywords().count(tokens_[nameAt].upper)));
      if (single) {
        std::string expression;
        int column = -1;
        LW_RETURN_IF_ERROR(Column(tokens_[nameAt], expression, &column));
        // A name may also be an earlier result's alias, which is no column of the table.
        const std::string name = column >= 0 ? out_.table->columns[column].name : tokens_[nameAt].text;
        add(expression, alias.empty() ? name : alias, column);
        continue;
      }
      std::string expression;
      LW_RETURN_IF_ERROR(Emit(b, exprEnd, expression));
      add(expression, alias.empty() ? "EXPR" + std::to_string(out_.results.size() + 1) : alias, -1);
    }
    out_.selectList = list;
    return {};
  }

  const std::vector<Token>& tokens_;
  const Catalog& catalog_;
  TranslatedSql& out_;
  std::size_t end_ = 0;
  std::size_t tableAt_ = npos;
  std::size_t aliasAt_ = npos;
  std::size_t asAt_ = npos;
  std::string alias_;
};

}  // namespace

Status SqlRejection(int nativeError, const std::string& detail) {
  return Status::WithText(ace::kSqlError, std::string(ace::AceErrorText(ace::kSqlError)) +
                                              " NativeError = " + std::to_string(nativeError) + "; " + detail);
}

Status ScanSql(const std::string& text, int& parameters) {
  std::vector<Token> tokens;
  LW_RETURN_IF_ERROR(TokenizeSql(text, tokens));
  int depth = 0;
  parameters = 0;
  for (const Token& token : tokens) {
    if (token.type == Token::Type::Param) ++parameters;
    if (token.type != Token::Type::Symbol) continue;
    if (token.text == "(") ++depth;
    if (token.text == ")" && --depth < 0) break;
  }
  if (depth != 0) return SqlRejection(ace::kNativeSyntaxError, "the brackets do not balance.");
  return {};
}

Status TranslateSql(const std::string& text, const Catalog& catalog, TranslatedSql& out) {
  out = TranslatedSql();
  std::vector<Token> tokens;
  LW_RETURN_IF_ERROR(TokenizeSql(text, tokens));
  Translator translator(tokens, catalog, out);
  return translator.Run();
}

}  // namespace lw::engine
