#include "engine/SqlTokens.h"

#include <cctype>
#include <string_view>

#include "common/Utf8.h"
#include "engine/SqlTranslator.h"

namespace lw::engine {

namespace {

bool IsDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsAlnum(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Reads one statement from left to right; each Read* step starts at `at_` on the first character
// of its token and leaves `at_` just past it.
class Tokenizer {
 public:
  Tokenizer(const std::string& text, std::vector<SqlToken>& tokens) : text_(text), tokens_(tokens) {}

  Status Run() {
    tokens_.clear();
    while (at_ < text_.size()) {
      LW_RETURN_IF_ERROR(SkipSpaceAndComments());
      if (at_ < text_.size()) LW_RETURN_IF_ERROR(ReadToken());
    }
    return {};
  }

 private:
  char At(std::size_t k) const { return k < text_.size() ? text_[k] : '\0'; }

  void Push(SqlToken::Type type, std::string value) {
    std::string upper = UpperCaseUtf8(value);
    tokens_.push_back(SqlToken{type, std::move(value), std::move(upper), line_});
  }

  Status Rejected(int nativeError, const std::string& what) const {
    return SqlRejection(nativeError, what + " (line " + std::to_string(line_) + ").");
  }

  Status SkipSpaceAndComments() {
    while (at_ < text_.size()) {
      const char c = text_[at_];
      if (c == '\n') {
        ++line_;
        ++at_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++at_;
      } else if (c == '-' && At(at_ + 1) == '-') {
        while (at_ < text_.size() && text_[at_] != '\n') ++at_;
      } else if (c == '/' && At(at_ + 1) == '*') {
        const std::size_t end = text_.find("*/", at_ + 2);
        if (end == std::string::npos) return Rejected(ace::kNativeUnterminatedText, "a comment is not closed");
        for (std::size_t k = at_; k < end; ++k) line_ += text_[k] == '\n';
        at_ = end + 2;
      } else {
        break;
      }
    }
    return {};
  }

  Status ReadToken() {
    const char c = text_[at_];
    if (c == '"' || c == '\'' || c == '[') return ReadQuoted(c);
    if (IsDigit(c) || (c == '.' && IsDigit(At(at_ + 1)))) return ReadNumber();
    if (IsAlpha(c) || c == '_') return ReadWord();
    if (c == ':' && (IsAlpha(At(at_ + 1)) || At(at_ + 1) == '_')) return ReadNamedParameter();
    if (c == '?') {
      Push(SqlToken::Type::Param, "?");
      ++at_;
      return {};
    }
    return ReadSymbol();
  }

  // A text literal ('…'), a quoted name ("…" or […]); a doubled closing quote inside '…' or "…"
  // stands for itself.
  Status ReadQuoted(char open) {
    const char close = open == '[' ? ']' : open;
    std::string value;
    std::size_t k = at_ + 1;
    while (k < text_.size()) {
      if (text_[k] == close) {
        if (close != ']' && At(k + 1) == close) {
          value += close;
          k += 2;
          continue;
        }
        Push(open == '\'' ? SqlToken::Type::String : SqlToken::Type::Quoted, std::move(value));
        at_ = k + 1;
        return {};
      }
      if (text_[k] == '\n') ++line_;
      value += text_[k++];
    }
    return Rejected(ace::kNativeUnterminatedText,
                    std::string(open == '\'' ? "a text literal" : "a quoted name") + " is not closed");
  }

  // Digits and points, then an exponent when digits follow its sign.
  Status ReadNumber() {
    std::size_t k = at_;
    while (k < text_.size() && (IsDigit(text_[k]) || text_[k] == '.')) ++k;
    if (At(k) == 'e' || At(k) == 'E') {
      std::size_t e = k + 1;
      if (At(e) == '+' || At(e) == '-') ++e;
      if (IsDigit(At(e))) {
        k = e;
        while (k < text_.size() && IsDigit(text_[k])) ++k;
      }
    }
    Push(SqlToken::Type::Number, text_.substr(at_, k - at_));
    at_ = k;
    return {};
  }

  Status ReadWord() {
    std::size_t k = at_;
    while (k < text_.size() && (IsAlnum(text_[k]) || text_[k] == '_' || text_[k] == '$')) ++k;
    Push(SqlToken::Type::Word, text_.substr(at_, k - at_));
    at_ = k;
    return {};
  }

  // ":name"
  Status ReadNamedParameter() {
    std::size_t k = at_ + 1;
    while (k < text_.size() && (IsAlnum(text_[k]) || text_[k] == '_')) ++k;
    Push(SqlToken::Type::Param, text_.substr(at_, k - at_));
    at_ = k;
    return {};
  }

  Status ReadSymbol() {
    static const char* const kPairs[] = {"<=", ">=", "<>", "!=", "||"};
    for (const char* pair : kPairs) {
      if (text_.compare(at_, 2, pair) == 0) {
        Push(SqlToken::Type::Symbol, pair);
        at_ += 2;
        return {};
      }
    }
    const char c = text_[at_];
    if (std::string_view("=<>+-*/%(),.;").find(c) == std::string_view::npos) {
      return Rejected(ace::kNativeSyntaxError, std::string("unexpected character '") + c + "'");
    }
    Push(SqlToken::Type::Symbol, std::string(1, c));
    ++at_;
    return {};
  }

  const std::string& text_;
  std::vector<SqlToken>& tokens_;
  std::size_t at_ = 0;
  int line_ = 1;
};

}  // namespace

Status TokenizeSql(const std::string& text, std::vector<SqlToken>& tokens) { return Tokenizer(text, tokens).Run(); }

}  // namespace lw::engine
