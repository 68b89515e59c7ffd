#include "export/SpreadsheetWriter.h"

#include "common/Error.h"
#include "export/CellText.h"

#include <QFile>
#include <QRegularExpression>
#include <cmath>
#include <xlsxwriter.h>

namespace pelmora
{

namespace
{

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw Error(QStringLiteral("Cannot write the workbook: %1").arg(QString::fromUtf8(lxw_strerror(error))));
}

// Worksheet names: at most 31 characters, none of []:*?/\ and not empty.
QString sheetName(QString title, int number)
{
    for (QChar& c : title)
        if (QStringView(u"[]:*?/\\").contains(c))
            c = u'_';
    title = title.trimmed();
    if (title.isEmpty())
        title = QStringLiteral("Sheet 1");
    const QString suffix = number > 1 ? QStringLiteral(" (%1)").arg(number) : QString();
    return title.left(31 - suffix.size()) + suffix;
}

double columnWidth(ExportType type)
{
    switch (type) {
    case ExportType::Boolean:
        return 8;
    case ExportType::Integer:
    case ExportType::Time:
        return 10;
    case ExportType::Date:
    case ExportType::Number:
    case ExportType::Money:
        return 12;
    case ExportType::Text:
        break;
    }
    return 20;
}

} // namespace

SpreadsheetWriter::~SpreadsheetWriter()
{
    if (workbook_)
        lxw_workbook_free(workbook_); // abandoned: nothing more is written
}

void SpreadsheetWriter::begin(const QString& path, const TableLayout& layout, const ExportOptions& options)
{
    layout_ = layout;
    title_ = options.sheetTitle.toUtf8();
    // A footer without a section code (&L, &C, &R) is centred, as spreadsheet programs show it.
    QString footer = options.footer.left(250);
    if (!footer.isEmpty() && !footer.contains(QRegularExpression(QStringLiteral("&[LCRlcr]"))))
        footer.prepend(QStringLiteral("&C"));
    footer_ = footer.toUtf8();
    lxw_workbook_options workbookOptions{};
    workbookOptions.constant_memory = LXW_TRUE;
    workbookOptions.tmpdir = nullptr;
    // Parts beyond 4 GB need ZIP64; below that, the plain form every program reads.
    workbookOptions.use_zip64 = layout.rows < 0 || layout.rows * qint64(layout.columns.size()) > 20'000'000;
    const QByteArray file = QFile::encodeName(path);
    workbook_ = workbook_new_opt(file.constData(), &workbookOptions);
    if (!workbook_)
        throw Error(QStringLiteral("Cannot write the workbook \"%1\"").arg(path));
    caption_ = workbook_add_format(workbook_);
    format_set_bold(caption_);
    date_ = workbook_add_format(workbook_);
    format_set_num_format_index(date_, 14); // the short date of the reader's locale
    time_ = workbook_add_format(workbook_);
    format_set_num_format_index(time_, 21); // h:mm:ss
    money_ = workbook_add_format(workbook_);
    format_set_num_format_index(money_, 4); // #,##0.00
    addSheet();
}

void SpreadsheetWriter::addSheet()
{
    const QByteArray name = sheetName(QString::fromUtf8(title_), ++sheets_).toUtf8();
    sheet_ = workbook_add_worksheet(workbook_, name.constData());
    if (!sheet_)
        throw Error(QStringLiteral("Cannot add the worksheet \"%1\"").arg(QString::fromUtf8(name)));
    if (!footer_.isEmpty())
        check(worksheet_set_footer(sheet_, footer_.constData()));
    check(worksheet_repeat_rows(sheet_, 0, 0));
    worksheet_freeze_panes(sheet_, 1, 0);
    for (qsizetype c = 0; c < layout_.columns.size(); ++c)
        check(worksheet_set_column(sheet_, lxw_col_t(c), lxw_col_t(c), columnWidth(layout_.columns[c].type), nullptr));
    for (qsizetype c = 0; c < layout_.columns.size(); ++c) {
        const QByteArray caption = layout_.columns[c].caption.toUtf8();
        check(worksheet_write_string(sheet_, 0, lxw_col_t(c), caption.constData(), caption_));
    }
    row_ = 1;
}

void SpreadsheetWriter::writeText(int column, QByteArrayView text)
{
    scratch_.resize(0);
    scratch_.append(text.data(), text.size());
    if (scratch_.size() > kMaxCellChars) {
        // Cut at a character boundary; a longer text does not fit a cell.
        QString whole = QString::fromUtf8(scratch_);
        if (whole.size() > kMaxCellChars)
            scratch_ = whole.left(kMaxCellChars).toUtf8();
    }
    check(worksheet_write_string(sheet_, row_, lxw_col_t(column), scratch_.constData(), nullptr));
}

void SpreadsheetWriter::writeRow(const RowSource& row)
{
    if (row_ >= LXW_ROW_MAX)
        addSheet();
    for (qsizetype c = 0; c < layout_.fields.size(); ++c) {
        const int field = layout_.fields[c];
        if (row.isNull(field))
            continue;
        const auto col = lxw_col_t(c);
        switch (layout_.columns[c].type) {
        case ExportType::Integer:
        case ExportType::Number:
        case ExportType::Money:
            if (row.isNumeric(field)) {
                check(worksheet_write_number(sheet_, row_, col, row.number(field),
                                             layout_.columns[c].type == ExportType::Money ? money_ : nullptr));
                continue;
            }
            break;
        case ExportType::Date: {
            lxw_datetime when{};
            if (CellText::parseDate(row.text(field), when.year, when.month, when.day)) {
                check(worksheet_write_datetime(sheet_, row_, col, &when, date_));
                continue;
            }
            break;
        }
        case ExportType::Time: {
            int h, m;
            double s;
            if (CellText::parseTime(row.text(field), h, m, s)) {
                check(worksheet_write_number(sheet_, row_, col, (h * 3600.0 + m * 60.0 + s) / 86400.0, time_));
                continue;
            }
            break;
        }
        case ExportType::Boolean: {
            bool ok = false;
            const bool on = CellText::flagValue(row, field, ok);
            if (ok) {
                check(worksheet_write_boolean(sheet_, row_, col, on ? 1 : 0, nullptr));
                continue;
            }
            break;
        }
        case ExportType::Text:
            break;
        }
        writeText(int(c), row.text(field));
    }
    ++row_;
}

void SpreadsheetWriter::finish()
{
    lxw_workbook* workbook = workbook_;
    workbook_ = nullptr;
    check(workbook_close(workbook));
}

} // namespace pelmora
