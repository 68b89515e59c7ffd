#pragma once

#include "reports/DataPipeline.h"
#include "reports/Expression.h"
#include "reports/ReportLayout.h"

#include <QStringList>
#include <QVector>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

namespace pelmora::reports
{

// A band as it stands on a page: its top (mm from the page's top) and the texts of its
// elements (empty for elements that show what the layout holds).
struct PlacedBand {
    int band = 0; // index in the layout's bands
    double top = 0;
    QVector<QString> texts;
};

struct Page {
    int number = 0; // 1-based
    QList<PlacedBand> bands;
};

// Lays the rows of a layout's pipelines out on pages, one main row at a time, so that pages
// come out as they are asked for: title, page header on every page, group headers and footers
// when the group field changes, detail and sub-detail rows, summary and page footer. A band
// that does not fit the rest of a page starts the next page.
class Paginator
{
  public:
    // pageCount: what PageCount() shows (0 while unknown). Throws Error for an expression
    // that cannot be read.
    Paginator(const ReportLayout& layout, DataPipelines& data, int pageCount = 0);
    ~Paginator();

    // The next page; false after the last. Throws Error when a pipeline fails.
    bool nextPage(Page& page);

    // How a value shows in a format of an element.
    static QString formatValue(const QVariant& value, const QString& format);

  private:
    struct Compiled {
        std::optional<Expression> expression; // Expression elements
        QString field;                        // Field elements
        bool itemLevel = false;               // aggregates over the detail pipeline's rows
    };
    enum class Level { Main, Item };
    struct Group {
        QString field;
        int header = -1;
        int footer = -1;
    };

    void advance();
    void startRows();
    void processRow(Row row);
    void finish();
    void place(int band, Level level);
    void openPage();
    void closePage();
    void accumulate(Level level);
    void resetBand(int band);
    QVariant lookup(const QString& name, Level level) const;
    bool groupChanged(const Group& group, const Row& row) const;

    const ReportLayout& layout_;
    DataPipelines& data_;
    int pageCount_;
    std::vector<std::vector<Compiled>> compiled_;
    std::vector<Group> groups_; // outer to inner
    int title_ = -1, pageHeader_ = -1, detail_ = -1, subHeader_ = -1, sub_ = -1, subFooter_ = -1, summary_ = -1,
        pageFooter_ = -1;

    std::unique_ptr<RowCursor> cursor_;
    bool started_ = false;
    bool finished_ = false;
    Row row_;     // the main row bands read
    Row itemRow_; // the detail row sub-detail bands read
    Row previous_;
    int rowsDone_ = 0;
    int pagesMade_ = 0;
    bool inItems_ = false;

    std::deque<Page> ready_;
    Page page_;
    bool pageOpen_ = false;
    double y_ = 0;
    double bottom_ = 0;
};

} // namespace pelmora::reports
