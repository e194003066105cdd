#include "engine/ImageCalls.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/ace/AceApi.h"
#include "data/ace/AceErrors.h"
#include "data/ace/AceTypes.h"
#include "engine/Julian.h"

namespace lw::engine {

namespace {

// Text into a buffer of *length bytes, NUL-terminated, with the interface's protocol for a
// short buffer; *length becomes the text's length (as much of it as Length holds).
template <class Length>
Status CopyTerminated(const std::string& text, char* buffer, Length* length) {
  if (*length == 0 || text.size() + 1 > *length) {
    if (*length > 0) {
      std::memcpy(buffer, text.data(), *length - 1);
      buffer[*length - 1] = '\0';
    }
    *length = static_cast<Length>(std::min<std::size_t>(text.size(), std::numeric_limits<Length>::max()));
    return Status::Error(ace::kInsufficientBuffer);
  }
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  *length = static_cast<Length>(text.size());
  return {};
}

}  // namespace

Status CopyText(const std::string& text, char* buffer, std::uint16_t* length) {
  if (buffer == nullptr || length == nullptr) return Status::Error(ace::kInvalidArgument);
  return CopyTerminated(text, buffer, length);
}

Status CopyRecord(const std::uint8_t* image, std::uint32_t size, void* buffer, std::uint32_t* length) {
  if (*length < size) {
    std::memcpy(buffer, image, *length);
    *length = size;
    return Status::Error(ace::kInsufficientBuffer);
  }
  std::memcpy(buffer, image, size);
  *length = size;
  return {};
}

Status CopyFieldText(const ColumnDef& column, const std::uint8_t* image, std::uint16_t options, char* buffer,
                     std::uint32_t* length) {
  std::string text;
  if (ace::IsBlankPaddedText(column.type)) {
    text.assign(reinterpret_cast<const char*>(image + column.offset), column.length);
    std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    if (options & ace::kTrimRight) {
      while (!text.empty() && text.back() == ' ') text.pop_back();
    }
  } else {
    Value value;
    LW_RETURN_IF_ERROR(ValueFromImage(column, image + column.offset, value));
    text = TextFromValue(column, value);
  }
  return CopyTerminated(text, buffer, length);
}

bool IsEmptyColumn(const ColumnDef& column, const std::uint8_t* image) {
  const std::uint8_t* bytes = image + column.offset;
  if (ace::IsLargeColumn(column.type)) {
    std::int32_t marker;
    std::memcpy(&marker, bytes, sizeof marker);
    return marker == 0;
  }
  Value value;
  Status decoded = ValueFromImage(column, bytes, value);
  return decoded.ok() && value.IsNull();
}

Status CopyBookmark(std::int64_t record, void* bookmark, std::uint32_t* length) {
  if (*length < sizeof(std::int32_t)) {
    *length = sizeof(std::int32_t);
    return Status::Error(ace::kInsufficientBuffer);
  }
  std::int32_t number = static_cast<std::int32_t>(record);
  std::memcpy(bookmark, &number, sizeof number);
  *length = sizeof number;
  return {};
}

Status CopyRawKey(const std::string& key, void* buffer, std::uint16_t* length) {
  if (key.size() > *length) {
    *length = static_cast<std::uint16_t>(key.size());
    return Status::Error(ace::kInsufficientBuffer);
  }
  std::memcpy(buffer, key.data(), key.size());
  *length = static_cast<std::uint16_t>(key.size());
  return {};
}

Status KeySegmentFromText(const ColumnDef& column, std::uint32_t recordLength, const char* value, std::uint32_t length,
                          std::vector<std::uint8_t>& scratch) {
  scratch.assign(recordLength, 0);
  std::string text(value, strnlen(value, length));
  if (ace::IsBlankPaddedText(column.type)) {
    std::memset(scratch.data() + column.offset, ' ', column.length);
    std::memcpy(scratch.data() + column.offset, text.data(), std::min<std::size_t>(text.size(), column.length));
    return {};
  }
  Value parsed;
  LW_RETURN_IF_ERROR(ValueFromText(column, text, parsed));
  return WriteImageFromValue(column, parsed, scratch.data());
}

Status StepLastKeyValue(std::vector<Value>& values, std::int16_t direction) {
  if (values.empty()) return Status::Error(ace::kInvalidArgument, "(an empty key cannot be stepped)");
  Value& last = values.back();
  switch (last.kind) {
    case Value::Kind::Integer: last.integer += direction > 0 ? 1 : -1; break;
    case Value::Kind::Real: last.real = std::nextafter(last.real, direction > 0 ? INFINITY : -INFINITY); break;
    case Value::Kind::Text:
      if (direction > 0) {
        last.bytes += '\x01';
      } else if (!last.bytes.empty()) {
        last.bytes.back() = static_cast<char>(last.bytes.back() - 1);
      }
      break;
    default: break;
  }
  return {};
}

Status ScopeValueFromCaller(const ColumnDef& first, std::uint16_t dataType, const std::uint8_t* bytes,
                            std::uint16_t length, std::vector<Value>& values) {
  if (dataType == ace::kStringKey) {
    Value value;
    const auto* text = reinterpret_cast<const char*>(bytes);
    LW_RETURN_IF_ERROR(ValueFromText(first, std::string(text, strnlen(text, length)), value));
    values.push_back(std::move(value));
    return {};
  }
  if (dataType == ace::kDoubleKey && length >= sizeof(double)) {
    double number;
    std::memcpy(&number, bytes, sizeof number);
    values.push_back(first.storage == Storage::Integer ? Value::Int(static_cast<std::int64_t>(number))
                                                       : Value::Real(number));
    return {};
  }
  return Status::Error(ace::kInvalidArgument, "(unknown key type)");
}

Status JulianFromText(const char* text, std::uint16_t length, double& julian) {
  std::string value(text, strnlen(text, length));
  while (!value.empty() && value.back() == ' ') value.pop_back();
  if (value.empty()) {
    julian = 0;
    return {};
  }
  auto parsed = ParseCompactDate(value);
  if (!parsed) return Status::Error(ace::kInvalidArgument, "(not a date in the form CCYYMMDD: " + value + ")");
  julian = static_cast<double>(*parsed);
  return {};
}

std::string JulianText(double julian) {
  return julian >= 1721426 && julian <= 5373484 ? FormatCompactDate(static_cast<std::int64_t>(julian))
                                                : std::string(8, ' ');
}

}  // namespace lw::engine
