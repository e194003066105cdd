#pragma once
// Record images kept ready beside each dictionary table's columns, so reading a row costs one
// B-tree seek and about one copy instead of decoding every column.
//
// Invariant: an image stored for a row is the image of the row as stored in the same snapshot.
// The images of a table live in their own table, lw_images_<table number> (record, image), and
// triggers on the data table delete a row's image in the transaction of any insert, update or
// delete of that row, whoever writes it (this engine, SQL statements, the sqlite3 shell, an
// older build of the program). A row without an image is read from its columns. The data
// tables keep exactly their columns, so they stay as inspectable as before.
//
// Stored form: the image as it differs from the table's all-NULL image (practice rows are mostly
// NULL): a varint record length, then runs of (varint bytes skipped, varint length, the bytes).

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/Catalog.h"
#include "engine/Sqlite.h"
#include "engine/Status.h"

namespace lw::engine {

// The name of the table keeping `table`'s images, as it is and quoted for SQL.
std::string PlainImageTableName(const TableDef& table);
std::string ImageTableName(const TableDef& table);

// The image of a row whose every column is NULL.
std::vector<std::uint8_t> NullImage(const TableDef& table);

// Builds a row's image from a stepped statement whose result columns from `first` on are the
// table's columns in table order.
void BuildImage(const TableDef& table, sqlite3_stmt* stmt, int first, const std::uint8_t* nullImage,
                std::uint8_t* image);

void EncodeImage(const std::uint8_t* image, const std::uint8_t* nullImage, std::uint32_t length, std::string& stored);
// False (and `image` unspecified) when `stored` is no stored form of an image of `length` bytes.
bool DecodeImage(const std::uint8_t* stored, std::size_t size, const std::uint8_t* nullImage, std::uint32_t length,
                 std::uint8_t* image);

// Whether the file keeps images for the table.
Status HasImageTable(sqlite3* db, const TableDef& table, bool& has);

// Creates the image table and its triggers. REQUIRES: inside a write transaction.
Status CreateImageTable(sqlite3* db, const TableDef& table);

// Stores the images of rows of one table from their columns as they are now.
// REQUIRES: inside a write transaction, the image table exists.
class ImageWriter {
 public:
  ImageWriter(sqlite3* db, const TableDef& table);
  Status Store(std::int64_t rowid);

 private:
  sqlite3* db_;
  const TableDef& table_;
  std::vector<std::uint8_t> nullImage_;
  std::vector<std::uint8_t> image_;
  std::string stored_;
  Stmt read_;
  Stmt write_;
};

// Gives every dictionary table its image table, and every row that has none its image, for a
// dictionary written before images were kept (or whose filling was interrupted). Commits every
// few thousand rows, so other users are never held up for long. Does nothing once done.
Status UpgradeImages(sqlite3* db, const Catalog& catalog);
// Marks a new, empty dictionary's images as complete. REQUIRES: inside its creating transaction.
Status MarkImagesComplete(sqlite3* db);

}  // namespace lw::engine
