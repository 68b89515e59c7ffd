#include "reports/Expression.h"

#include "common/Error.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>

namespace pelmora::reports
{

struct Expression::Node {
    enum Kind { Number, Text, Field, Unary, Binary, Call } kind = Number;
    QVariant value; // Number, Text
    QString name;   // Field, Call (lower case)
    QChar op;       // Unary, Binary; comparisons use '=', '#' (<>), '<', '>', 'l' (<=), 'g' (>=)
    std::vector<std::unique_ptr<Node>> args;
    // aggregate state
    double sum = 0;
    qint64 count = 0;
    QVariant extreme;
};

namespace
{
using Node = Expression::Node;

bool isAggregate(const QString& name)
{
    return name == QLatin1String("sum") || name == QLatin1String("count") || name == QLatin1String("avg") ||
           name == QLatin1String("min") || name == QLatin1String("max");
}

bool isNumber(const QVariant& v, double* out)
{
    if (!v.isValid() || v.isNull())
        return false;
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        *out = v.toDouble();
        return true;
    default:
        break;
    }
    bool ok = false;
    *out = v.toString().trimmed().toDouble(&ok);
    return ok;
}

double numberOf(const QVariant& v)
{
    double d = 0;
    return isNumber(v, &d) ? d : 0.0;
}

QString textOf(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

class Parser
{
  public:
    explicit Parser(const QString& text) : s_(text) {}

    std::unique_ptr<Node> parse()
    {
        auto node = comparison();
        skip();
        if (pos_ < s_.size())
            fail(QStringLiteral("unexpected \"%1\"").arg(s_.mid(pos_, 10)));
        return node;
    }

  private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw Error(QStringLiteral("Expression \"%1\": %2 (at character %3)").arg(s_, what).arg(pos_ + 1));
    }
    void skip()
    {
        while (pos_ < s_.size() && s_.at(pos_).isSpace())
            ++pos_;
    }
    bool eat(QLatin1String token)
    {
        skip();
        if (s_.mid(pos_, token.size()) == token) {
            pos_ += token.size();
            return true;
        }
        return false;
    }
    static std::unique_ptr<Node> binary(QChar op, std::unique_ptr<Node> l, std::unique_ptr<Node> r)
    {
        auto n = std::make_unique<Node>();
        n->kind = Node::Binary;
        n->op = op;
        n->args.push_back(std::move(l));
        n->args.push_back(std::move(r));
        return n;
    }
    std::unique_ptr<Node> comparison()
    {
        auto left = concatenation();
        static const std::pair<const char*, char> ops[] = {{"<>", '#'}, {"<=", 'l'}, {">=", 'g'},
                                                           {"=", '='},  {"<", '<'},  {">", '>'}};
        for (const auto& [token, code] : ops)
            if (eat(QLatin1String(token)))
                return binary(QLatin1Char(code), std::move(left), concatenation());
        return left;
    }
    std::unique_ptr<Node> concatenation()
    {
        auto left = additive();
        while (eat(QLatin1String("&")))
            left = binary(QLatin1Char('&'), std::move(left), additive());
        return left;
    }
    std::unique_ptr<Node> additive()
    {
        auto left = term();
        for (;;) {
            if (eat(QLatin1String("+")))
                left = binary(QLatin1Char('+'), std::move(left), term());
            else if (eat(QLatin1String("-")))
                left = binary(QLatin1Char('-'), std::move(left), term());
            else
                return left;
        }
    }
    std::unique_ptr<Node> term()
    {
        auto left = unary();
        for (;;) {
            if (eat(QLatin1String("*")))
                left = binary(QLatin1Char('*'), std::move(left), unary());
            else if (eat(QLatin1String("/")))
                left = binary(QLatin1Char('/'), std::move(left), unary());
            else
                return left;
        }
    }
    std::unique_ptr<Node> unary()
    {
        if (eat(QLatin1String("-"))) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Unary;
            n->op = QLatin1Char('-');
            n->args.push_back(unary());
            return n;
        }
        return primary();
    }
    std::unique_ptr<Node> primary()
    {
        skip();
        if (pos_ >= s_.size())
            fail(QStringLiteral("the expression ends too early"));
        const QChar c = s_.at(pos_);
        auto n = std::make_unique<Node>();
        if (c == QLatin1Char('(')) {
            ++pos_;
            auto inner = comparison();
            if (!eat(QLatin1String(")")))
                fail(QStringLiteral("a \")\" is missing"));
            return inner;
        }
        if (c == QLatin1Char('\'')) {
            QString text;
            ++pos_;
            for (;;) {
                if (pos_ >= s_.size())
                    fail(QStringLiteral("a text has no closing quote"));
                if (s_.at(pos_) == QLatin1Char('\'')) {
                    if (pos_ + 1 < s_.size() && s_.at(pos_ + 1) == QLatin1Char('\'')) {
                        text += QLatin1Char('\'');
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                text += s_.at(pos_++);
            }
            n->kind = Node::Text;
            n->value = text;
            return n;
        }
        if (c.isDigit() || c == QLatin1Char('.')) {
            const qsizetype start = pos_;
            while (pos_ < s_.size() && (s_.at(pos_).isDigit() || s_.at(pos_) == QLatin1Char('.')))
                ++pos_;
            bool ok = false;
            n->value = s_.mid(start, pos_ - start).toDouble(&ok);
            if (!ok)
                fail(QStringLiteral("\"%1\" is not a number").arg(s_.mid(start, pos_ - start)));
            return n;
        }
        if (c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('[')) {
            const bool bracketed = c == QLatin1Char('[');
            if (bracketed)
                ++pos_;
            const qsizetype start = pos_;
            while (pos_ < s_.size() &&
                   (s_.at(pos_).isLetterOrNumber() || s_.at(pos_) == QLatin1Char('_') ||
                    s_.at(pos_) == QLatin1Char('.') || (bracketed && s_.at(pos_) == QLatin1Char(' '))))
                ++pos_;
            const QString name = s_.mid(start, pos_ - start);
            if (bracketed && !eat(QLatin1String("]")))
                fail(QStringLiteral("a \"]\" is missing"));
            if (!bracketed && eat(QLatin1String("("))) {
                n->kind = Node::Call;
                n->name = name.toLower();
                if (!eat(QLatin1String(")"))) {
                    do
                        n->args.push_back(comparison());
                    while (eat(QLatin1String(",")));
                    if (!eat(QLatin1String(")")))
                        fail(QStringLiteral("a \")\" is missing"));
                }
                checkCall(*n);
                return n;
            }
            n->kind = Node::Field;
            n->name = name;
            return n;
        }
        fail(QStringLiteral("unexpected \"%1\"").arg(c));
    }
    void checkCall(const Node& n) const
    {
        struct Arity {
            const char* name;
            int min, max;
        };
        static const Arity known[] = {{"sum", 1, 1},  {"count", 0, 1}, {"avg", 1, 1},       {"min", 1, 1},
                                      {"max", 1, 1},  {"page", 0, 0},  {"pagecount", 0, 0}, {"date", 0, 0},
                                      {"time", 0, 0}, {"now", 0, 0},   {"upper", 1, 1},     {"lower", 1, 1},
                                      {"trim", 1, 1}, {"round", 1, 2}, {"if", 3, 3}};
        for (const Arity& a : known)
            if (n.name == QLatin1String(a.name)) {
                const int count = int(n.args.size());
                if (count < a.min || count > a.max)
                    fail(QStringLiteral("%1() takes %2 argument(s)").arg(n.name).arg(a.min));
                return;
            }
        fail(QStringLiteral("there is no function %1()").arg(n.name));
    }

    QString s_;
    qsizetype pos_ = 0;
};

void collect(Node* n, std::vector<Node*>& aggregates, QStringList& fields, bool& pageCount)
{
    if (n->kind == Node::Field && !fields.contains(n->name))
        fields << n->name;
    if (n->kind == Node::Call && isAggregate(n->name))
        aggregates.push_back(n);
    if (n->kind == Node::Call && n->name == QLatin1String("pagecount"))
        pageCount = true;
    for (auto& a : n->args)
        collect(a.get(), aggregates, fields, pageCount);
}

int compare(const QVariant& a, const QVariant& b)
{
    double x = 0, y = 0;
    if (isNumber(a, &x) && isNumber(b, &y))
        return x < y ? -1 : (x > y ? 1 : 0);
    return QString::compare(a.toString(), b.toString(), Qt::CaseInsensitive);
}

QVariant eval(const Node& n, const ExpressionContext& c)
{
    switch (n.kind) {
    case Node::Number:
    case Node::Text:
        return n.value;
    case Node::Field:
        return c.field ? c.field(n.name) : QVariant();
    case Node::Unary:
        return -numberOf(eval(*n.args[0], c));
    case Node::Binary: {
        const QVariant l = eval(*n.args[0], c);
        const QVariant r = eval(*n.args[1], c);
        switch (n.op.unicode()) {
        case '&':
            return QString(textOf(l) + textOf(r));
        case '+':
            return numberOf(l) + numberOf(r);
        case '-':
            return numberOf(l) - numberOf(r);
        case '*':
            return numberOf(l) * numberOf(r);
        case '/': {
            const double d = numberOf(r);
            return d == 0 ? QVariant() : QVariant(numberOf(l) / d);
        }
        case '=':
            return compare(l, r) == 0;
        case '#':
            return compare(l, r) != 0;
        case '<':
            return compare(l, r) < 0;
        case '>':
            return compare(l, r) > 0;
        case 'l':
            return compare(l, r) <= 0;
        case 'g':
            return compare(l, r) >= 0;
        default:
            return {};
        }
    }
    case Node::Call:
        break;
    }
    const QString& f = n.name;
    if (f == QLatin1String("sum"))
        return n.sum;
    if (f == QLatin1String("count"))
        return n.count;
    if (f == QLatin1String("avg"))
        return n.count ? QVariant(n.sum / double(n.count)) : QVariant();
    if (f == QLatin1String("min") || f == QLatin1String("max"))
        return n.extreme;
    if (f == QLatin1String("page"))
        return c.page;
    if (f == QLatin1String("pagecount"))
        return c.pageCount;
    if (f == QLatin1String("date"))
        return QDate::currentDate();
    if (f == QLatin1String("time"))
        return QTime::currentTime();
    if (f == QLatin1String("now"))
        return QDateTime::currentDateTime();
    if (f == QLatin1String("upper"))
        return eval(*n.args[0], c).toString().toUpper();
    if (f == QLatin1String("lower"))
        return eval(*n.args[0], c).toString().toLower();
    if (f == QLatin1String("trim"))
        return eval(*n.args[0], c).toString().trimmed();
    if (f == QLatin1String("round")) {
        const double digits = n.args.size() > 1 ? numberOf(eval(*n.args[1], c)) : 0;
        const double scale = std::pow(10.0, digits);
        return std::round(numberOf(eval(*n.args[0], c)) * scale) / scale;
    }
    if (f == QLatin1String("if")) {
        const QVariant test = eval(*n.args[0], c);
        double d = 0;
        const bool yes = isNumber(test, &d) ? d != 0 : !test.toString().isEmpty();
        return eval(*n.args[yes ? 1 : 2], c);
    }
    return {};
}
} // namespace

Expression::Expression(const QString& text)
{
    root_ = Parser(text).parse();
    QStringList fields;
    bool pageCount = false;
    collect(root_.get(), aggregates_, fields, pageCount);
    for (Node* a : aggregates_)
        for (auto& arg : a->args) {
            std::vector<Node*> inner;
            collect(arg.get(), inner, fields, pageCount);
            if (!inner.empty())
                throw Error(QStringLiteral("Expression \"%1\": an aggregate cannot hold another").arg(text));
        }
}

Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

QVariant Expression::evaluate(const ExpressionContext& context) const
{
    return eval(*root_, context);
}

bool Expression::hasAggregates() const
{
    return !aggregates_.empty();
}

bool Expression::usesPageCount() const
{
    std::vector<Node*> a;
    QStringList f;
    bool pageCount = false;
    collect(root_.get(), a, f, pageCount);
    return pageCount;
}

QStringList Expression::fields() const
{
    std::vector<Node*> a;
    QStringList f;
    bool pageCount = false;
    collect(root_.get(), a, f, pageCount);
    return f;
}

void Expression::accumulate(const ExpressionContext& context)
{
    for (Node* a : aggregates_) {
        if (a->args.empty()) { // Count()
            ++a->count;
            continue;
        }
        const QVariant v = eval(*a->args[0], context);
        if (v.isNull() || !v.isValid())
            continue;
        ++a->count;
        a->sum += numberOf(v);
        if (!a->extreme.isValid() ||
            (a->name == QLatin1String("min") ? compare(v, a->extreme) < 0 : compare(v, a->extreme) > 0))
            a->extreme = v;
    }
}

void Expression::reset()
{
    for (Node* a : aggregates_) {
        a->sum = 0;
        a->count = 0;
        a->extreme = QVariant();
    }
}

} // namespace pelmora::reports
