#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

namespace pelmora::reports
{

// What an expression reads: fields by name ("Total" or "DBPipelineItems.Amount") and the page.
struct ExpressionContext {
    std::function<QVariant(const QString& field)> field;
    int page = 0;      // 1-based
    int pageCount = 0; // 0 while unknown
};

// A small expression of a report element: numbers, 'text', fields, + - * / on numbers, & to
// join text, parentheses, and the functions Sum(x), Count(), Avg(x), Min(x), Max(x),
// Page(), PageCount(), Date(), Time(), Now(), Upper(x), Lower(x), Trim(x), Round(x, n),
// If(condition, a, b) with the comparisons = <> < > <= >=.
//
// Aggregates (Sum, Count, Avg, Min, Max) hold running values: accumulate() adds the row the
// context stands on, reset() starts over; evaluate() reads the values held.
class Expression
{
  public:
    // Throws Error naming the fault and its place.
    explicit Expression(const QString& text);
    ~Expression();
    Expression(Expression&&) noexcept;
    Expression& operator=(Expression&&) noexcept;

    QVariant evaluate(const ExpressionContext& context) const;
    bool hasAggregates() const;
    bool usesPageCount() const;
    // Every field the expression names.
    QStringList fields() const;
    void accumulate(const ExpressionContext& context);
    void reset();

    struct Node;

  private:
    std::unique_ptr<Node> root_;
    std::vector<Node*> aggregates_;
};

} // namespace pelmora::reports
