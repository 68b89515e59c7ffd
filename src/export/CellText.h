#pragma once

#include "export/RowSource.h"

#include <QByteArray>
#include <QLocale>
#include <QString>
#include <vector>

namespace pelmora
{

// The text a user reads for a cell, in the user's regional formats: dates in the short format
// with a four-digit year, times with seconds, money with two decimals, flags as True/False.
// Values that are not stored in the expected form are written as stored, never dropped.
class CellText
{
  public:
    // groupMoney: thousands separators in money (documents); off for data files (CSV, TXT),
    // so that a spreadsheet in the same locale reads the value back as a number.
    explicit CellText(const QLocale& locale = QLocale(), bool groupMoney = true);

    QString display(const RowSource& source, int column, ExportType type) const;
    // The same text appended as UTF-8: text cells pass through without conversion.
    void appendDisplay(QByteArray& out, const RowSource& source, int column, ExportType type) const;

    // "yyyy-MM-dd" (a time may follow after a blank or T) and "HH:mm[:ss[.zzz]]".
    static bool parseDate(QByteArrayView text, int& year, int& month, int& day);
    static bool parseTime(QByteArrayView text, int& hour, int& minute, double& second);
    // A stored flag: a non-zero number, or True/Yes/Y/-1/1 as text. False for "0", "False"...
    // ok is false for text that is neither.
    static bool flagValue(const RowSource& source, int column, bool& ok);

    // The C-locale text of a number, shortest form ("2.5", "12", "1e+20").
    static void appendNumber(QByteArray& out, double value);

  private:
    struct Token {
        enum Kind {
            Literal,
            Day,
            Day2,
            Month,
            Month2,
            Year2,
            Year4,
            Hour12,
            Hour12_2,
            Hour,
            Hour2,
            Minute,
            Minute2,
            Second,
            Second2,
            AmPmUpper,
            AmPmLower
        };
        Kind kind;
        QByteArray literal;
    };
    static std::vector<Token> compile(const QString& format, bool& supported);
    void appendDate(QByteArray& out, int year, int month, int day) const;
    void appendTime(QByteArray& out, int hour, int minute, double second) const;
    void appendMoney(QByteArray& out, double value) const;
    void appendLocalNumber(QByteArray& out, double value) const;

    QLocale locale_;
    bool groupMoney_;
    QString dateFormat_;
    QString timeFormat_;
    std::vector<Token> datePattern_;
    std::vector<Token> timePattern_;
    bool dateFast_ = false;
    bool timeFast_ = false;
    QByteArray decimalPoint_;
    QByteArray groupSeparator_;
    QByteArray am_;
    QByteArray pm_;
};

} // namespace pelmora
