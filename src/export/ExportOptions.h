#pragma once

#include "export/ExportFormat.h"

#include <QString>
#include <QStringList>

namespace pelmora
{

// What an export dialog remembers in its options file: the format, the file, the fields left
// out and each format's settings. Unknown or missing keys keep these defaults.
struct ExportOptions {
    enum class Orientation { Automatic, Portrait, Landscape };

    ExportFormat format = ExportFormat::Xlsx;
    QString fileName;
    QStringList omittedFields; // by field name; every other field is exported

    // Spreadsheet.
    QString sheetTitle = QStringLiteral("Sheet 1");
    QString footer = QStringLiteral("Page &P of &N"); // &P page number, &N page count

    // CSV and TXT.
    QString csvSeparator = QStringLiteral(",");
    bool byteOrderMark = false; // UTF-8 with byte-order mark, for spreadsheets that need it
    bool headerRow = true;
    // A text starting with =, +, - or @ gets a leading apostrophe, so that a spreadsheet program
    // opening the file reads it as text, never as a formula. Off: the file holds the values as
    // they are, for programs that read it.
    bool markFormulas = false;

    // PDF (inches) and the page of the paged formats.
    double marginLeft = 1.17;
    double marginRight = 0.57;
    double marginTop = 0.78;
    double marginBottom = 0.78;
    QString pageSize; // "Letter" or "A4"; empty: the one of the user's measurement system
    Orientation orientation = Orientation::Automatic;

    // RTF (Word uses the data font as well).
    QString captionFont = QStringLiteral("Arial");
    bool captionBold = true;
    bool captionCentred = true;
    QString dataFont = QStringLiteral("Arial");

    // The document's title (HTML title, XML root, PDF heading); not stored.
    QString title;

    // Reads the options file; a missing file leaves the defaults. Throws Error when the file
    // exists but cannot be read.
    void load(const QString& file);
    // Writes the options file (its folder is made when missing). Throws Error.
    void save(const QString& file) const;

    QString effectivePageSize() const;
};

} // namespace pelmora
