#include "export/TableWriter.h"

#include "export/CsvWriter.h"
#include "export/DocxWriter.h"
#include "export/HtmlWriter.h"
#include "export/PdfWriter.h"
#include "export/RtfWriter.h"
#include "export/SpreadsheetWriter.h"
#include "export/XmlWriter.h"

namespace pelmora
{

std::unique_ptr<TableWriter> TableWriter::create(ExportFormat format)
{
    switch (format) {
    case ExportFormat::Xlsx:
        return std::make_unique<SpreadsheetWriter>();
    case ExportFormat::Docx:
        return std::make_unique<DocxWriter>();
    case ExportFormat::Rtf:
        return std::make_unique<RtfWriter>();
    case ExportFormat::Html:
        return std::make_unique<HtmlWriter>();
    case ExportFormat::Xml:
        return std::make_unique<XmlWriter>();
    case ExportFormat::Pdf:
        return std::make_unique<PdfWriter>();
    case ExportFormat::Txt:
        return std::make_unique<CsvWriter>(true);
    case ExportFormat::Csv:
        break;
    }
    return std::make_unique<CsvWriter>(false);
}

} // namespace pelmora
