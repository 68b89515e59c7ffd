#include "database/SqlDialect.h"

#include "common/Error.h"
#include "database/Schema.h"
#include "toolkit/SqlTransaction.h"
#include "toolkit/SqlUtil.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>
#include <algorithm>
#include <cmath>

namespace pelmora
{

namespace
{

const QRegularExpression::PatternOption kI = QRegularExpression::CaseInsensitiveOption;

// Runs of blanks become one blank, except inside quoted values and quoted names, which keep
// their text as written.
QString simplified(const QString& statement)
{
    QString result;
    result.reserve(statement.size());
    QChar quote;
    bool blank = false;
    for (const QChar c : statement) {
        if (quote.isNull() && c.isSpace()) {
            blank = true;
            continue;
        }
        if (blank && !result.isEmpty())
            result += QLatin1Char(' ');
        blank = false;
        result += c;
        // A doubled quote closes and reopens: the value goes on, as it should.
        if (quote.isNull() && (c == QLatin1Char('\'') || c == QLatin1Char('"')))
            quote = c;
        else if (c == quote)
            quote = QChar();
    }
    return result;
}

void run(QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw Error(query.lastError().text());
}

// The position of a column in the layout of a fresh file; older names count as the new ones.
int canonicalPosition(const QString& table, const QString& column)
{
    if (table.compare(QStringLiteral("Orders"), Qt::CaseInsensitive) != 0 &&
        table.compare(QStringLiteral("OrdersArchve"), Qt::CaseInsensitive) != 0)
        return -1;
    QString name = column;
    if (name.compare(QStringLiteral("Date"), Qt::CaseInsensitive) == 0)
        name = QStringLiteral("Invoice_date");
    else if (name.compare(QStringLiteral("Time"), Qt::CaseInsensitive) == 0)
        name = QStringLiteral("Invoice_time");
    const auto& columns = Schema::orderColumns();
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

void addAutoIncColumn(QSqlDatabase& db, const QString& table, const QString& column)
{
    auto columns = SqlDialect::tableColumns(db, table);
    // Columns added as "new" take the name a fresh file gives them.
    for (auto& [name, decl] : columns) {
        const int p = canonicalPosition(table, name);
        const QString& canonical = p >= 0 ? Schema::orderColumns()[p].name : name;
        if (canonical != name && canonical.compare(name, Qt::CaseInsensitive) == 0)
            name = canonical;
    }
    columns.emplace_back(column, QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT"));
    // Rebuilt in the order of a fresh file: the download import maps fields by position.
    std::stable_sort(columns.begin(), columns.end(), [&](const auto& a, const auto& b) {
        int pa = canonicalPosition(table, a.first), pb = canonicalPosition(table, b.first);
        if (pa < 0)
            pa = 1000;
        if (pb < 0)
            pb = 1000;
        return pa < pb;
    });
    SqlDialect::rebuildTable(db, table, columns);
}

} // namespace

QString SqlDialect::quote(const QString& value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    QString v = value;
    v.replace('\'', QStringLiteral("''"));
    // SQLite ends a statement's text at a NUL: the character goes in as char(0) instead.
    v.replace(QChar(0), QStringLiteral("'||char(0)||'"));
    return '\'' + v + '\'';
}

QString SqlDialect::quote(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return QStringLiteral("NULL");
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return QString::number(value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        // The shortest text that reads back as the same number; SQL has no literal for NaN or infinity.
        return std::isfinite(d) ? QString::number(d, 'g', QLocale::FloatingPointShortest) : QStringLiteral("NULL");
    }
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QDate:
        return quote(value.toDate().toString(Qt::ISODate));
    case QMetaType::QTime:
        return quote(value.toTime().toString(value.toTime().msec() ? QStringLiteral("HH:mm:ss.zzz")
                                                                   : QStringLiteral("HH:mm:ss")));
    case QMetaType::QDateTime: {
        const QDateTime dt = value.toDateTime();
        return quote(dt.toString(dt.time().msec() ? QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")
                                                  : QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    case QMetaType::QByteArray:
        return QStringLiteral("X'") + QString::fromLatin1(value.toByteArray().toHex()) + QLatin1Char('\'');
    default:
        return quote(value.toString());
    }
}

QString SqlDialect::translateLiterals(const QString& text)
{
    static const QRegularExpression date(QStringLiteral("\\bDate\\s*'(\\d{1,2})/(\\d{1,2})/(\\d{4})'"), kI);
    static const QRegularExpression time(
        QStringLiteral("\\bTIME\\s*'(\\d{1,2}):(\\d{2})(?::(\\d{2})(?:\\.(\\d{1,3}))?)?\\s*(AM|PM)?'"), kI);
    QString result = text;
    auto replaceAll = [&](const QRegularExpression& re, auto&& render) {
        QString s;
        qsizetype last = 0;
        auto it = re.globalMatch(result);
        while (it.hasNext()) {
            const auto m = it.next();
            s += result.mid(last, m.capturedStart() - last);
            s += render(m);
            last = m.capturedEnd();
        }
        s += result.mid(last);
        result = s;
    };
    replaceAll(date, [](const QRegularExpressionMatch& m) {
        const QDate d(m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt());
        return d.isValid() ? quote(d.toString(Qt::ISODate)) : m.captured(0);
    });
    replaceAll(time, [](const QRegularExpressionMatch& m) {
        int h = m.captured(1).toInt();
        const QString ampm = m.captured(5).toUpper();
        if (ampm == QLatin1String("PM") && h < 12)
            h += 12;
        else if (ampm == QLatin1String("AM") && h == 12)
            h = 0;
        const QTime t(h, m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).leftJustified(3, '0').toInt());
        if (!t.isValid())
            return m.captured(0);
        return quote(t.toString(t.msec() ? QStringLiteral("HH:mm:ss.zzz") : QStringLiteral("HH:mm:ss")));
    });
    return result;
}

QString SqlDialect::translate(const QString& statement)
{
    const bool ddl = statement.trimmed().startsWith(QLatin1String("ALTER"), Qt::CaseInsensitive) ||
                     statement.trimmed().startsWith(QLatin1String("CREATE"), Qt::CaseInsensitive);
    // Other statements are passed on as written, apart from their date and time literals.
    if (!ddl)
        return translateLiterals(statement);

    static const QRegularExpression level(QStringLiteral("^(ALTER TABLE \\S+) LEVEL \\d+\\s*"), kI);
    static const QRegularExpression add(QStringLiteral("^ALTER TABLE (\\S+) ADD (?!COLUMN\\b)(.+)$"), kI);
    static const QRegularExpression rename(
        QStringLiteral("^ALTER TABLE (\\S+) RENAME (?!COLUMN\\b|TO\\b)(\\S+) TO (\\S+)$"), kI);
    static const QRegularExpression autoinc(QStringLiteral("(\\w+|\"[^\"]+\")\\s+autoinc\\b"), kI);

    QString t = simplified(translateLiterals(statement));
    if (auto m = level.match(t); m.hasMatch())
        t = QString(m.captured(1) + ' ' + t.mid(m.capturedEnd())).trimmed();
    if (auto m = add.match(t); m.hasMatch())
        return QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(m.captured(1), m.captured(2));
    if (auto m = rename.match(t); m.hasMatch())
        return QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3").arg(m.captured(1), m.captured(2), m.captured(3));
    t.replace(autoinc, QStringLiteral("\\1 INTEGER PRIMARY KEY AUTOINCREMENT"));
    return t;
}

void SqlDialect::execute(QSqlDatabase& db, const QString& statement)
{
    const QString s = simplified(statement);
    static const QRegularExpression levelOnly(QStringLiteral("^ALTER TABLE (\\S+) LEVEL \\d+$"), kI);
    static const QRegularExpression addAutoInc(
        QStringLiteral("^ALTER TABLE (\\S+)(?: LEVEL \\d+)? ADD (?:COLUMN )?(\\S+) autoinc$"), kI);
    if (auto m = levelOnly.match(s); m.hasMatch()) {
        // SQLite has one table format: converting a level only needs the table to exist.
        if (!tableExists(db, m.captured(1)))
            throw Error(QStringLiteral("no such table: %1").arg(m.captured(1)));
        return;
    }
    if (auto m = addAutoInc.match(s); m.hasMatch()) {
        addAutoIncColumn(db, m.captured(1), m.captured(2));
        return;
    }
    run(db, translate(statement));
}

bool SqlDialect::tableExists(QSqlDatabase& db, const QString& table)
{
    QSqlQuery query(db);
    query.prepare(QStringLiteral("SELECT 1 FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"));
    query.addBindValue(table);
    return query.exec() && query.next();
}

std::vector<std::pair<QString, QString>> SqlDialect::tableColumns(QSqlDatabase& db, const QString& table)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(toolkit::sql::quoted(table))))
        throw Error(query.lastError().text());
    std::vector<std::pair<QString, QString>> columns;
    while (query.next()) {
        QString decl = query.value(2).toString();
        if (query.value(5).toInt() > 0 && decl.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
            decl = QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
        if (!query.value(4).isNull())
            decl += QStringLiteral(" DEFAULT ") + query.value(4).toString();
        columns.emplace_back(query.value(1).toString(), decl);
    }
    if (columns.empty())
        throw Error(QStringLiteral("no such table: %1").arg(table));
    return columns;
}

void SqlDialect::rebuildTable(QSqlDatabase& db, const QString& table,
                              const std::vector<std::pair<QString, QString>>& columns)
{
    const auto old = tableColumns(db, table);
    // The table keeps the name it was created with, whatever the case of the statement.
    QString name = table;
    {
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' AND name=? COLLATE NOCASE"));
        query.addBindValue(table);
        if (query.exec() && query.next())
            name = query.value(0).toString();
    }
    QStringList defs, copied;
    for (const auto& [column, decl] : columns) {
        defs << toolkit::sql::quoted(column) + ' ' + decl;
        for (const auto& o : old)
            if (o.first.compare(column, Qt::CaseInsensitive) == 0)
                copied << toolkit::sql::quoted(column);
    }
    // The table's own indexes go with it; they are made again on the new table.
    QStringList indexes;
    {
        QSqlQuery query(db);
        query.prepare(QStringLiteral(
            "SELECT sql FROM sqlite_master WHERE type='index' AND tbl_name=? COLLATE NOCASE AND sql IS NOT NULL"));
        query.addBindValue(name);
        if (query.exec())
            while (query.next())
                indexes << query.value(0).toString();
    }
    const QString temp = name + QStringLiteral("_rebuild");
    // Whole or nothing, inside a step's transaction too.
    toolkit::SqlTransaction transaction(db);
    run(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(toolkit::sql::quoted(temp)));
    run(db, QStringLiteral("CREATE TABLE %1(%2)").arg(toolkit::sql::quoted(temp), defs.join(',')));
    if (!copied.isEmpty())
        run(db, QStringLiteral("INSERT INTO %1(%2) SELECT %2 FROM %3 ORDER BY rowid")
                    .arg(toolkit::sql::quoted(temp), copied.join(','), toolkit::sql::quoted(name)));
    run(db, QStringLiteral("DROP TABLE %1").arg(toolkit::sql::quoted(name)));
    // The rename leaves views and other tables' triggers as they are: they name the table,
    // which exists again once it is done (checking them meanwhile would find it missing).
    run(db, QStringLiteral("PRAGMA legacy_alter_table=ON"));
    QSqlQuery rename(db);
    const bool renamed = rename.exec(
        QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(toolkit::sql::quoted(temp), toolkit::sql::quoted(name)));
    run(db, QStringLiteral("PRAGMA legacy_alter_table=OFF"));
    if (!renamed)
        throw Error(rename.lastError().text());
    for (const QString& index : indexes) {
        // An index over a column the table no longer has is dropped with it.
        QSqlQuery query(db);
        query.exec(index);
    }
    transaction.commit();
}

} // namespace pelmora
