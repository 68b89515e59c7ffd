#include "export/ExportOptions.h"

#include "common/Error.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

namespace pelmora
{

namespace
{

QString orientationName(ExportOptions::Orientation o)
{
    switch (o) {
    case ExportOptions::Orientation::Portrait:
        return QStringLiteral("Portrait");
    case ExportOptions::Orientation::Landscape:
        return QStringLiteral("Landscape");
    case ExportOptions::Orientation::Automatic:
        break;
    }
    return QStringLiteral("Automatic");
}

ExportOptions::Orientation orientationOf(const QString& name, ExportOptions::Orientation fallback)
{
    for (auto o : {ExportOptions::Orientation::Automatic, ExportOptions::Orientation::Portrait,
                   ExportOptions::Orientation::Landscape})
        if (name.compare(orientationName(o), Qt::CaseInsensitive) == 0)
            return o;
    return fallback;
}

double margin(const QSettings& s, const char* key, double fallback)
{
    bool ok = false;
    const double value = s.value(QLatin1String(key)).toDouble(&ok);
    // A margin outside the page is a broken file, not a wish.
    return ok && value >= 0.0 && value <= 5.0 ? value : fallback;
}

} // namespace

void ExportOptions::load(const QString& file)
{
    if (!QFileInfo::exists(file))
        return;
    QSettings s(file, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        throw Error(QStringLiteral("Cannot read the export options \"%1\"").arg(QDir::toNativeSeparators(file)));
    const ExportOptions defaults;

    s.beginGroup(QStringLiteral("Export"));
    format = ExportFormats::find(s.value(QStringLiteral("Format")).toString()).value_or(defaults.format);
    fileName = s.value(QStringLiteral("File"), defaults.fileName).toString();
    omittedFields = s.value(QStringLiteral("OmittedFields")).toStringList();
    omittedFields.removeAll(QString());
    s.endGroup();

    s.beginGroup(QStringLiteral("Spreadsheet"));
    sheetTitle = s.value(QStringLiteral("SheetTitle"), defaults.sheetTitle).toString();
    footer = s.value(QStringLiteral("Footer"), defaults.footer).toString();
    s.endGroup();

    s.beginGroup(QStringLiteral("Text"));
    csvSeparator = s.value(QStringLiteral("Separator"), defaults.csvSeparator).toString();
    if (csvSeparator.size() != 1)
        csvSeparator = defaults.csvSeparator;
    byteOrderMark = s.value(QStringLiteral("ByteOrderMark"), defaults.byteOrderMark).toBool();
    headerRow = s.value(QStringLiteral("HeaderRow"), defaults.headerRow).toBool();
    markFormulas = s.value(QStringLiteral("MarkFormulas"), defaults.markFormulas).toBool();
    s.endGroup();

    s.beginGroup(QStringLiteral("Page"));
    marginLeft = margin(s, "MarginLeft", defaults.marginLeft);
    marginRight = margin(s, "MarginRight", defaults.marginRight);
    marginTop = margin(s, "MarginTop", defaults.marginTop);
    marginBottom = margin(s, "MarginBottom", defaults.marginBottom);
    pageSize = s.value(QStringLiteral("PageSize"), defaults.pageSize).toString();
    orientation = orientationOf(s.value(QStringLiteral("Orientation")).toString(), defaults.orientation);
    s.endGroup();

    s.beginGroup(QStringLiteral("RTF"));
    captionFont = s.value(QStringLiteral("CaptionFont"), defaults.captionFont).toString();
    captionBold = s.value(QStringLiteral("CaptionBold"), defaults.captionBold).toBool();
    captionCentred = s.value(QStringLiteral("CaptionCentred"), defaults.captionCentred).toBool();
    dataFont = s.value(QStringLiteral("DataFont"), defaults.dataFont).toString();
    s.endGroup();
}

void ExportOptions::save(const QString& file) const
{
    QDir().mkpath(QFileInfo(file).absolutePath());
    QSettings s(file, QSettings::IniFormat);
    s.clear();
    s.beginGroup(QStringLiteral("Export"));
    s.setValue(QStringLiteral("Format"), ExportFormats::caption(format));
    s.setValue(QStringLiteral("File"), fileName);
    s.setValue(QStringLiteral("OmittedFields"), omittedFields);
    s.endGroup();
    s.beginGroup(QStringLiteral("Spreadsheet"));
    s.setValue(QStringLiteral("SheetTitle"), sheetTitle);
    s.setValue(QStringLiteral("Footer"), footer);
    s.endGroup();
    s.beginGroup(QStringLiteral("Text"));
    s.setValue(QStringLiteral("Separator"), csvSeparator);
    s.setValue(QStringLiteral("ByteOrderMark"), byteOrderMark);
    s.setValue(QStringLiteral("HeaderRow"), headerRow);
    s.setValue(QStringLiteral("MarkFormulas"), markFormulas);
    s.endGroup();
    s.beginGroup(QStringLiteral("Page"));
    s.setValue(QStringLiteral("MarginLeft"), marginLeft);
    s.setValue(QStringLiteral("MarginRight"), marginRight);
    s.setValue(QStringLiteral("MarginTop"), marginTop);
    s.setValue(QStringLiteral("MarginBottom"), marginBottom);
    s.setValue(QStringLiteral("PageSize"), pageSize);
    s.setValue(QStringLiteral("Orientation"), orientationName(orientation));
    s.endGroup();
    s.beginGroup(QStringLiteral("RTF"));
    s.setValue(QStringLiteral("CaptionFont"), captionFont);
    s.setValue(QStringLiteral("CaptionBold"), captionBold);
    s.setValue(QStringLiteral("CaptionCentred"), captionCentred);
    s.setValue(QStringLiteral("DataFont"), dataFont);
    s.endGroup();
    s.sync();
    if (s.status() != QSettings::NoError)
        throw Error(QStringLiteral("Cannot write the export options \"%1\"").arg(QDir::toNativeSeparators(file)));
}

QString ExportOptions::effectivePageSize() const
{
    if (!pageSize.isEmpty())
        return pageSize;
    return QLocale().measurementSystem() == QLocale::MetricSystem ? QStringLiteral("A4") : QStringLiteral("Letter");
}

} // namespace pelmora
