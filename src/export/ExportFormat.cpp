#include "export/ExportFormat.h"

namespace pelmora
{

namespace
{
struct Entry {
    ExportFormat format;
    const char* caption;
    const char* key;
    const char* filter;
};

const Entry kEntries[] = {
    {ExportFormat::Xlsx, "XLS", "xlsx", "Excel workbook (*.xlsx)"},
    {ExportFormat::Docx, "Word", "docx", "Word document (*.docx)"},
    {ExportFormat::Rtf, "RTF", "rtf", "Rich text (*.rtf)"},
    {ExportFormat::Html, "HTML", "html", "Web page (*.html *.htm)"},
    {ExportFormat::Xml, "XML", "xml", "XML document (*.xml)"},
    {ExportFormat::Pdf, "PDF", "pdf", "PDF document (*.pdf)"},
    {ExportFormat::Txt, "TXT", "txt", "Tab-separated text (*.txt)"},
    {ExportFormat::Csv, "CSV", "csv", "Comma-separated values (*.csv)"},
};

const Entry& entry(ExportFormat format)
{
    for (const Entry& e : kEntries)
        if (e.format == format)
            return e;
    return kEntries[0];
}
} // namespace

const QList<ExportFormat>& ExportFormats::all()
{
    static const QList<ExportFormat> formats = [] {
        QList<ExportFormat> list;
        for (const Entry& e : kEntries)
            list << e.format;
        return list;
    }();
    return formats;
}

QString ExportFormats::caption(ExportFormat format)
{
    return QString::fromLatin1(entry(format).caption);
}

QString ExportFormats::key(ExportFormat format)
{
    return QString::fromLatin1(entry(format).key);
}

QString ExportFormats::fileFilter(ExportFormat format)
{
    return QString::fromLatin1(entry(format).filter);
}

std::optional<ExportFormat> ExportFormats::find(const QString& name)
{
    for (const Entry& e : kEntries)
        if (name.compare(QLatin1String(e.caption), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String(e.key), Qt::CaseInsensitive) == 0)
            return e.format;
    return std::nullopt;
}

} // namespace pelmora
