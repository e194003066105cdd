#pragma once
// Printing the report: one job, pages laid out from the printer's printable area, the report's
// lines in the report's font with long lines wrapped. Every character is printed exactly once and
// in order, and a new page is started only while text remains; an empty report prints one blank
// page. No header, footer or page number.

#include <QFont>
#include <QPaintDevice>
#include <QPainter>
#include <QRect>
#include <QString>
#include <cstddef>
#include <string_view>

#include "app/Printer.h"

namespace lw {

// The page rectangle in twips (1/1440 inch) of a printable area `horzRes` x `vertRes` pixels at
// `dpiX` x `dpiY` pixels per inch, from the printable area's top-left corner; the remainder of
// each division is dropped.
QRect PageRectTwips(int horzRes, int vertRes, int dpiX, int dpiY);

// The report's font for a printer: a font sized in screen pixels is carried over in points (at the
// 96 pixels per inch the window is designed for), so it prints at the size it shows; no ligatures.
QFont PrintFont(const QFont& reportFont);

// Lays out `text` from position `from` on one page of `page` (device pixels of `device`), drawing
// it when `painter` is given. Returns the first position not placed on this page; text.size() when
// everything from `from` fitted. A line break belongs to the line it ends; the empty line after a
// final break holds no characters and takes no room. A page always takes at least one display line,
// so a page too small for any line still makes progress.
std::size_t FormatRange(std::string_view text, std::size_t from, const QFont& font, QPaintDevice& device,
                        QPainter* painter, const QRectF& page);

// Prints `text` as one job named `title` on the printer's current printer (see TPrinter::BeginDoc
// for its errors). The text is copied when the job begins: a search run started while pages are
// handed over (the printer keeps the window's messages flowing) changes the report but not this
// job, which prints the report as it stood when printing began and always ends.
void PrintReport(TPrinter& printer, std::string_view text, const QFont& font, const QString& title);

}  // namespace lw
