#pragma once

#include "reports/DataPipeline.h"
#include "reports/PageSource.h"

#include <QPageLayout>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

namespace pelmora::reports
{

// A column of a printed table: its field, caption, width (in the grid's pixels; the columns
// share the page's width in the proportion of their widths when they are wider than it) and
// how its values show.
struct TableColumn {
    QString field;
    QString title;
    double width = 100;
    Qt::Alignment alignment = Qt::AlignLeft;
    std::function<QString(const QVariant&)> format; // empty: the value's text
};

// A table printed as a grid shows it: the column captions on every page, a group row where
// the value of a grouped field changes, the rows, a header with the title and date and a footer
// with the page number in the header and footer distances from the paper's edges. Pages are
// built as they are asked for, from rows read forward.
class TablePrintout : public PageSource
{
  public:
    struct Settings {
        QString title;
        QPageLayout page;
        double headerMm = 5.08; // from the paper's top edge
        double footerMm = 5.08; // from the paper's bottom edge
        double fontSize = 8;
    };
    using RowSource = std::function<std::unique_ptr<RowCursor>()>;

    TablePrintout(Settings settings, QList<TableColumn> columns, QList<TableColumn> groups, RowSource rows);
    ~TablePrintout() override;

    QString title() const override { return settings_.title; }
    QSizeF pageSize() const override;
    bool ensurePage(int index) override;
    int pagesBuilt() const override { return first_ + int(pages_.size()); }
    bool isComplete() const override { return done_; }
    void paintPage(int index, QPainter& painter, double dotsPerMm) const override;
    QList<PageText> pageTexts(int index) const override;
    void releasePagesBefore(int index) override;

    // The columns' widths on paper, mm.
    QList<double> columnWidths() const { return widths_; }

  private:
    struct Line {
        int group = -1; // the group level of a group row; -1 for a data row
        QStringList texts;
    };
    struct TablePage {
        QList<Line> lines;
    };
    void buildPage();
    double rowHeight() const;
    QRectF body() const;
    int rowsPerPage() const;
    QString text(const TableColumn& column, const QVariant& value) const;

    Settings settings_;
    QList<TableColumn> columns_;
    QList<TableColumn> groups_;
    RowSource rows_;
    QList<double> widths_;
    std::unique_ptr<RowCursor> cursor_;
    std::deque<TablePage> pages_;
    int first_ = 0;
    bool done_ = false;
    bool started_ = false;
    QStringList lastGroups_;
    std::optional<Row> pending_; // a row read but not yet placed
    QString printedAt_;
};

} // namespace pelmora::reports
