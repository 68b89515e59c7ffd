#include "workspace/FilterTranslation.h"

#include "database/SqlDialect.h"

#include <QVector>

namespace pelmora
{

namespace
{

struct Token {
    enum Kind { Space, Identifier, QuotedIdentifier, String, Operator, Other };
    Kind kind;
    QString text;
};

qsizetype closingQuote(const QString& text, qsizetype from, QChar quote)
{
    for (qsizetype i = from + 1; i < text.size(); ++i) {
        if (text[i] != quote)
            continue;
        if (i + 1 < text.size() && text[i + 1] == quote) {
            ++i; // a doubled quote stays inside the value
            continue;
        }
        return i;
    }
    return text.size() - 1; // unterminated: the engine reports it
}

QVector<Token> tokenize(const QString& text)
{
    QVector<Token> tokens;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        qsizetype end = i + 1;
        Token::Kind kind = Token::Other;
        if (c.isSpace()) {
            while (end < text.size() && text[end].isSpace())
                ++end;
            kind = Token::Space;
        } else if (c == '\'' || c == '"') {
            end = closingQuote(text, i, c) + 1;
            kind = c == '\'' ? Token::String : Token::QuotedIdentifier;
        } else if (c.isLetter() || c == '_') {
            while (end < text.size() && (text[end].isLetterOrNumber() || text[end] == '_'))
                ++end;
            kind = Token::Identifier;
        } else if (c == '<' || c == '>' || c == '=' || c == '!') {
            const QString two = text.mid(i, 2);
            if (two == QLatin1String("<=") || two == QLatin1String(">=") || two == QLatin1String("<>") ||
                two == QLatin1String("!=") || two == QLatin1String("=="))
                end = i + 2;
            kind = Token::Operator;
        }
        tokens.push_back(Token{kind, text.mid(i, end - i)});
        i = end;
    }
    return tokens;
}

QString unquoted(const Token& token)
{
    if (token.kind != Token::String && token.kind != Token::QuotedIdentifier)
        return token.text;
    const QChar quote = token.text.front();
    QString inner = token.text.mid(1, token.text.size() - 2);
    inner.replace(QString(2, quote), QString(quote));
    return inner;
}

const Column* columnNamed(const std::vector<Column>& columns, const QString& name)
{
    for (const Column& c : columns)
        if (c.name.compare(name, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

bool isWord(const Token& token, const char* word)
{
    return token.kind == Token::Identifier && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// The next token that is not a blank, or -1.
int nextSolid(const QVector<Token>& tokens, int from)
{
    for (int i = from; i < tokens.size(); ++i)
        if (tokens[i].kind != Token::Space)
            return i;
    return -1;
}

} // namespace

const std::array<FilterTranslation::Replacement, 12>& FilterTranslation::replacements()
{
    // Blanks are significant: three of each leave no blank between operator and keyword.
    static const std::array<Replacement, 12> table{{
        {QStringLiteral("Invoice_date = "), QStringLiteral("Invoice_date = Date")},
        {QStringLiteral("Invoice_date <= "), QStringLiteral("Invoice_date <= Date")},
        {QStringLiteral("Invoice_date >= "), QStringLiteral("Invoice_date >=Date")},
        {QStringLiteral("Invoice_date > "), QStringLiteral("Invoice_date > Date")},
        {QStringLiteral("Invoice_date < "), QStringLiteral("Invoice_date < Date")},
        {QStringLiteral("Invoice_date <> "), QStringLiteral("Invoice_date <>Date")},
        {QStringLiteral("Invoice_time = "), QStringLiteral("Invoice_time = TIME")},
        {QStringLiteral("Invoice_time <= "), QStringLiteral("Invoice_time <= TIME")},
        {QStringLiteral("Invoice_time >= "), QStringLiteral("Invoice_time >=TIME")},
        {QStringLiteral("Invoice_time > "), QStringLiteral("Invoice_time > TIME")},
        {QStringLiteral("Invoice_time < "), QStringLiteral("Invoice_time < TIME")},
        {QStringLiteral("Invoice_time <> "), QStringLiteral("Invoice_time <>TIME")},
    }};
    return table;
}

QString FilterTranslation::translate(const QString& gridText)
{
    // The replacements work on the grid's own words only: a value (in single quotes) is the
    // merchant's text and stays as typed, whatever it says.
    QString text, words;
    const auto flush = [&] {
        for (const Replacement& r : replacements())
            words.replace(r.pattern, r.replacement, Qt::CaseInsensitive);
        text += words;
        words.clear();
    };
    for (const Token& token : tokenize(gridText)) {
        if (token.kind != Token::String) {
            words += token.text;
            continue;
        }
        flush();
        text += token.text;
    }
    flush();
    return text;
}

QString FilterTranslation::toSqlWhere(const QString& expression, const std::vector<Column>& columns,
                                      const QString& qualifier)
{
    QVector<Token> tokens = tokenize(SqlDialect::translateLiterals(expression));
    QString sql;
    for (int i = 0; i < tokens.size(); ++i) {
        const Token& token = tokens[i];
        if (token.kind != Token::Identifier && token.kind != Token::QuotedIdentifier) {
            sql += token.text;
            continue;
        }
        const Column* column = columnNamed(columns, unquoted(token));
        const int after = nextSolid(tokens, i + 1);
        const bool qualified = (!sql.isEmpty() && sql.back() == u'.') || (after >= 0 && tokens[after].text == u".");
        const QString name = column && !qualifier.isEmpty() && !qualified ? qualifier + u'.' + token.text : token.text;
        sql += name;
        const int op = nextSolid(tokens, i + 1);
        if (column && op >= 0 && isWord(tokens[op], "IS")) {
            // Blanks and non-blanks: an empty text counts as blank, as NULL does.
            int k = nextSolid(tokens, op + 1);
            const bool negated = k >= 0 && isWord(tokens[k], "NOT");
            if (negated)
                k = nextSolid(tokens, k + 1);
            if (k >= 0 && isWord(tokens[k], "NULL")) {
                sql.chop(name.size());
                sql +=
                    negated
                        ? QString(u'(' + name + QStringLiteral(" IS NOT NULL AND ") + name + QStringLiteral(" <> '')"))
                        : QString(u'(' + name + QStringLiteral(" IS NULL OR ") + name + QStringLiteral(" = '')"));
                i = k;
                continue;
            }
        }
        if (!column || op < 0 || tokens[op].kind != Token::Operator)
            continue;
        const int value = nextSolid(tokens, op + 1);
        if (value < 0 || tokens[value].kind != Token::String)
            continue;
        for (int k = i + 1; k < value; ++k)
            sql += tokens[k].text;
        const QString literal = unquoted(tokens[value]);
        if (column->type == ColumnType::String || column->type == ColumnType::Memo) {
            sql += tokens[value].text + QStringLiteral(" COLLATE NOCASE");
        } else if (column->type == ColumnType::Boolean &&
                   (literal.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ||
                    literal.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)) {
            sql += literal.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 ? QStringLiteral("1")
                                                                                    : QStringLiteral("0");
        } else {
            sql += tokens[value].text;
        }
        i = value;
    }
    return sql;
}

} // namespace pelmora
