#pragma once
// The SQL dialect's tokens: names, quoted names, text literals, numbers, symbols and parameters,
// each with its line for the rejection texts. Comments ("--" to the end of the line, "/* */")
// and white space are dropped.

#include <string>
#include <vector>

#include "engine/Status.h"

namespace lw::engine {

struct SqlToken {
  enum class Type { Word, Quoted, String, Number, Symbol, Param };
  Type type;
  std::string text;   // quoted names and strings unquoted
  std::string upper;  // `text` upper-cased
  int line;
};

// Splits a statement into its tokens; an unclosed quote or comment, or a character the dialect
// does not know, is rejected as SqlRejection says.
Status TokenizeSql(const std::string& text, std::vector<SqlToken>& tokens);

}  // namespace lw::engine
