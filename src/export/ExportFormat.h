#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace pelmora
{

enum class ExportFormat { Xlsx, Docx, Rtf, Html, Xml, Pdf, Txt, Csv };

// Names and file types of the export formats, in the order the export dialogs list them.
class ExportFormats
{
  public:
    static const QList<ExportFormat>& all();
    // What the export dialogs call it: "XLS", "Word", "RTF", "HTML", "XML", "PDF", "TXT", "CSV".
    static QString caption(ExportFormat format);
    // The command-line name, also the file extension: xlsx, docx, rtf, html, xml, pdf, txt, csv.
    static QString key(ExportFormat format);
    // A file dialog filter, for example "Excel workbook (*.xlsx)".
    static QString fileFilter(ExportFormat format);
    // By caption or key, without regard to letter case.
    static std::optional<ExportFormat> find(const QString& name);
};

} // namespace pelmora
