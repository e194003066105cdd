#pragma once
// The backend-independent halves of the engine calls that hand a record image, a column of it or
// a key to the caller, or take one from the caller. Both providers keep rows as record images
// described by a TableDef, so these work on the image bytes and the column description alone.
// Buffers follow the interface's protocol: on a short buffer, copy what fits, report the full
// length and fail with kInsufficientBuffer.

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/RecordCodec.h"
#include "engine/Status.h"

namespace lw::engine {

// Text into a buffer of *length bytes, NUL-terminated; *length becomes the text's length.
Status CopyText(const std::string& text, char* buffer, std::uint16_t* length);

// The whole record image of `size` bytes (AdsGetRecord).
Status CopyRecord(const std::uint8_t* image, std::uint32_t size, void* buffer, std::uint32_t* length);

// A column's text form, NUL-terminated (AdsGetField): blank-padded text as stored up to its first
// NUL (trailing blanks dropped under kTrimRight), any other type as TextFromValue gives it.
Status CopyFieldText(const ColumnDef& column, const std::uint8_t* image, std::uint16_t options, char* buffer,
                     std::uint32_t* length);

// Whether a column of the image is empty: a large column without a block, any other NULL.
bool IsEmptyColumn(const ColumnDef& column, const std::uint8_t* image);

// A record number as the four-byte bookmark.
Status CopyBookmark(std::int64_t record, void* bookmark, std::uint32_t* length);

// A built raw key; a short buffer gets nothing.
Status CopyRawKey(const std::string& key, void* buffer, std::uint16_t* length);

// Caller text as the bytes a key segment holds: written at the column's offset of `scratch`
// (sized to the record), blank-padded for text, encoded for any other type.
Status KeySegmentFromText(const ColumnDef& column, std::uint32_t recordLength, const char* value, std::uint32_t length,
                          std::vector<std::uint8_t>& scratch);

// Moves the last value of a decoded key to the next (direction > 0) or previous key value.
Status StepLastKeyValue(std::vector<Value>& values, std::int16_t direction);

// A scope key given as text or as a double (not as a raw key) for an index whose first segment
// is `first`, appended to `values`.
Status ScopeValueFromCaller(const ColumnDef& first, std::uint16_t dataType, const std::uint8_t* bytes,
                            std::uint16_t length, std::vector<Value>& values);

// Caller text CCYYMMDD as a Julian day number (blank text is 0).
Status JulianFromText(const char* text, std::uint16_t length, double& julian);
// A Julian day number as CCYYMMDD, or eight blanks outside the calendar's range.
std::string JulianText(double julian);

}  // namespace lw::engine
