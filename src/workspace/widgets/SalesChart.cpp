#include "workspace/widgets/SalesChart.h"

#include "common/ErrorLog.h"
#include "database/DataModule.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DisplayFormat.h"
#include "workspace/OrderColumns.h"
#include "workspace/OrdersWorkspace.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QDate>
#include <QGraphicsSimpleTextItem>
#include <QHBoxLayout>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QMenu>
#include <QPieSeries>
#include <QSqlError>
#include <QSqlQuery>
#include <QToolButton>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>
#include <memory>

namespace pelmora
{

namespace
{
const QString kSeriesName = QStringLiteral("Total");
const QString kAllDates = QStringLiteral("(All)");

// Sums of Total read as money, like the grid's Total column.
QString money(double value)
{
    return toolkit::DisplayFormat::formatNumber(value, OrderColumns::kCurrencyFormat);
}

// The value axis: money in the regional format, from zero, at round steps; cents only when
// the steps need them.
QValueAxis* moneyAxis(QChart* chart, double top)
{
    auto* axis = new QValueAxis(chart);
    axis->setRange(0, top * 1.1);
    axis->applyNiceNumbers();
    const double step = (axis->max() - axis->min()) / std::max(1, axis->tickCount() - 1);
    axis->setLabelFormat(step == std::floor(step) ? QStringLiteral("%.0f") : QStringLiteral("%.2f"));
    return axis;
}

// The value labels, as money: the chart's own labels print bare numbers. Each label sits
// above (or, on horizontal bars, right of) the point it belongs to and follows the plot area.
void addValueLabels(QChart* chart, QAbstractSeries* series, const QList<double>& values, bool horizontal)
{
    QList<QPair<QGraphicsSimpleTextItem*, QPointF>> labels;
    for (int i = 0; i < values.size(); ++i) {
        auto* label = new QGraphicsSimpleTextItem(money(values[i]), chart);
        label->setZValue(10);
        labels << qMakePair(label, horizontal ? QPointF(values[i], i) : QPointF(i, values[i]));
    }
    auto place = [chart, series, labels, horizontal] {
        for (const auto& [label, value] : labels) {
            const QPointF at = chart->mapToPosition(value, series);
            const QRectF box = label->boundingRect();
            label->setPos(horizontal ? QPointF(at.x() + 4, at.y() - box.height() / 2)
                                     : QPointF(at.x() - box.width() / 2, at.y() - box.height() - 2));
        }
    };
    QObject::connect(chart, &QChart::plotAreaChanged, chart, place);
    place();
}
} // namespace

SalesChart::SalesChart(OrdersWorkspace& workspace, QWidget* parent) : QWidget(parent), workspace_(workspace)
{
    setObjectName(QStringLiteral("salesChart"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* toolbox = new QHBoxLayout;
    layout->addLayout(toolbox);

    customize_ = new QToolButton(this);
    customize_->setObjectName(QStringLiteral("chartCustomizeButton"));
    customize_->setText(QStringLiteral("Customize"));
    customize_->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(customize_);
    QAction* legend = menu->addAction(QStringLiteral("Legend"));
    legend->setObjectName(QStringLiteral("chartLegend"));
    legend->setCheckable(true);
    legend->setChecked(legend_);
    QAction* labels = menu->addAction(QStringLiteral("Value labels"));
    labels->setObjectName(QStringLiteral("chartValueLabels"));
    labels->setCheckable(true);
    connect(legend, &QAction::toggled, this, [this](bool on) {
        legend_ = on;
        render();
    });
    connect(labels, &QAction::toggled, this, [this](bool on) {
        labels_ = on;
        render();
    });
    customize_->setMenu(menu);
    toolbox->addWidget(customize_);

    diagramSelector_ = new QComboBox(this);
    diagramSelector_->setObjectName(QStringLiteral("chartDiagramSelector"));
    diagramSelector_->addItems({QStringLiteral("Column"), QStringLiteral("Bar"), QStringLiteral("Line"),
                                QStringLiteral("Area"), QStringLiteral("Pie")});
    connect(diagramSelector_, &QComboBox::currentIndexChanged, this, [this](int index) {
        diagram_ = Diagram(index);
        render();
    });
    toolbox->addWidget(diagramSelector_);

    toolbox->addWidget(new QLabel(QStringLiteral("Date"), this));
    groupSelector_ = new QComboBox(this);
    groupSelector_->setObjectName(QStringLiteral("chartDataGroupSelector"));
    connect(groupSelector_, &QComboBox::activated, this,
            [this](int index) { setDataGroup(groupSelector_->itemData(index).toString()); });
    toolbox->addWidget(groupSelector_);
    toolbox->addStretch();

    previous_ = new QToolButton(this);
    previous_->setObjectName(QStringLiteral("chartPreviousPage"));
    previous_->setArrowType(Qt::LeftArrow);
    next_ = new QToolButton(this);
    next_->setObjectName(QStringLiteral("chartNextPage"));
    next_->setArrowType(Qt::RightArrow);
    pageLabel_ = new QLabel(this);
    pageLabel_->setObjectName(QStringLiteral("chartPageLabel"));
    connect(previous_, &QToolButton::clicked, this, [this] { setPage(page_ - 1); });
    connect(next_, &QToolButton::clicked, this, [this] { setPage(page_ + 1); });
    toolbox->addWidget(previous_);
    toolbox->addWidget(pageLabel_);
    toolbox->addWidget(next_);

    view_ = new QChartView(this);
    view_->setObjectName(QStringLiteral("chartView"));
    view_->setRenderHint(QPainter::Antialiasing);
    layout->addWidget(view_, 1);

    auto changed = [this] {
        dirty_ = true;
        if (active_)
            reload();
    };
    connect(&workspace_, &OrdersWorkspace::reopened, this, changed);
    connect(&workspace_, &OrdersWorkspace::sourceChanged, this, changed);
    render();
}

SalesChart::~SalesChart() = default;

void SalesChart::setActive(bool active)
{
    active_ = active;
    if (active_ && dirty_)
        reload();
}

void SalesChart::reload()
{
    dirty_ = false;
    readGroups();
    readFigures();
    render();
}

void SalesChart::readGroups()
{
    groups_.clear();
    toolkit::SqlTableModel* orders = workspace_.DataSourceOrders();
    if (orders->isOpen()) {
        try {
            QString sql = QStringLiteral("SELECT DISTINCT Invoice_date FROM %1 WHERE Invoice_date IS NOT NULL")
                              .arg(orders->table());
            if (!orders->filter().isEmpty())
                sql += QStringLiteral(" AND (%1)").arg(orders->filter());
            QSqlQuery query = workspace_.data().select(sql + QStringLiteral(" ORDER BY Invoice_date DESC"));
            while (query.next())
                groups_ << query.value(0).toString();
        } catch (const std::exception& e) {
            LogError(QString::fromStdString(e.what()));
        }
    }
    if (!group_.isEmpty() && !groups_.contains(group_))
        group_.clear();
    groupSelector_->clear();
    groupSelector_->addItem(kAllDates, QString());
    const QLocale locale;
    for (const QString& date : std::as_const(groups_)) {
        const QDate d = QDate::fromString(date, Qt::ISODate);
        groupSelector_->addItem(d.isValid() ? locale.toString(d, QLocale::ShortFormat) : date, date);
    }
    groupSelector_->setCurrentIndex(std::max(0, groupSelector_->findData(group_)));
}

void SalesChart::readFigures()
{
    figures_.clear();
    toolkit::SqlTableModel* orders = workspace_.DataSourceOrders();
    if (!orders->isOpen())
        return;
    try {
        QStringList where;
        QVariantList bindings;
        if (!orders->filter().isEmpty())
            where << '(' + orders->filter() + ')';
        if (!group_.isEmpty()) {
            where << QStringLiteral("Invoice_date = ?");
            bindings << group_;
        }
        QString sql = QStringLiteral("SELECT Payment_method, SUM(Total) FROM %1").arg(orders->table());
        if (!where.isEmpty())
            sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
        sql += QStringLiteral(" GROUP BY Payment_method ORDER BY Payment_method");
        QSqlQuery query = workspace_.data().select(sql, bindings);
        while (query.next())
            figures_ << qMakePair(query.value(0).toString(), query.value(1).toDouble());
    } catch (const std::exception& e) {
        LogError(QString::fromStdString(e.what()));
    }
    page_ = std::clamp(page_, 0, pageCount() - 1);
}

void SalesChart::setDataGroup(const QString& storedDate)
{
    group_ = storedDate;
    groupSelector_->setCurrentIndex(std::max(0, groupSelector_->findData(group_)));
    page_ = 0;
    readFigures();
    render();
}

int SalesChart::pageCount() const
{
    return std::max<int>(1, (int(figures_.size()) + kCategoriesPerPage - 1) / kCategoriesPerPage);
}

void SalesChart::setPage(int page)
{
    page_ = std::clamp(page, 0, pageCount() - 1);
    render();
}

void SalesChart::setDiagram(Diagram diagram)
{
    diagramSelector_->setCurrentIndex(int(diagram)); // renders through the selector
    diagram_ = diagram;
}

void SalesChart::render()
{
    auto* chart = new QChart;
    chart->legend()->setVisible(legend_);
    // Axis labels in the regional number format.
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    const auto first = figures_.begin() + std::min<qsizetype>(figures_.size(), qsizetype(page_) * kCategoriesPerPage);
    const auto last =
        figures_.begin() + std::min<qsizetype>(figures_.size(), qsizetype(page_ + 1) * kCategoriesPerPage);
    QStringList categories;
    QList<double> values;
    for (auto it = first; it != last; ++it) {
        categories << (it->first.isEmpty() ? QStringLiteral(" ") : it->first);
        values << it->second;
    }
    const double top = values.isEmpty() ? 1.0 : std::max(1.0, *std::max_element(values.begin(), values.end()));

    if (diagram_ == Diagram::Pie) {
        auto* pie = new QPieSeries(chart);
        for (int i = 0; i < categories.size(); ++i) {
            QPieSlice* slice = pie->append(categories[i], std::max(0.0, values[i]));
            slice->setLabelVisible(labels_);
        }
        chart->addSeries(pie);
    } else if (diagram_ == Diagram::Column || diagram_ == Diagram::Bar) {
        auto* set = new QBarSet(kSeriesName);
        for (double v : std::as_const(values))
            *set << v;
        QAbstractBarSeries* bars = diagram_ == Diagram::Column ? static_cast<QAbstractBarSeries*>(new QBarSeries(chart))
                                                               : new QHorizontalBarSeries(chart);
        bars->append(set);
        chart->addSeries(bars);
        auto* axis = new QBarCategoryAxis(chart);
        axis->append(categories);
        QValueAxis* valueAxis = moneyAxis(chart, top);
        chart->addAxis(axis, diagram_ == Diagram::Column ? Qt::AlignBottom : Qt::AlignLeft);
        chart->addAxis(valueAxis, diagram_ == Diagram::Column ? Qt::AlignLeft : Qt::AlignBottom);
        bars->attachAxis(axis);
        bars->attachAxis(valueAxis);
        if (labels_)
            addValueLabels(chart, bars, values, diagram_ == Diagram::Bar);
    } else {
        auto* line = new QLineSeries(chart);
        line->setName(kSeriesName);
        for (int i = 0; i < values.size(); ++i)
            line->append(i, values[i]);
        QAbstractSeries* series = line;
        if (diagram_ == Diagram::Area) {
            auto* area = new QAreaSeries(line);
            area->setName(kSeriesName);
            series = area;
        }
        chart->addSeries(series);
        auto* axis = new QBarCategoryAxis(chart);
        axis->append(categories);
        QValueAxis* valueAxis = moneyAxis(chart, top);
        chart->addAxis(axis, Qt::AlignBottom);
        chart->addAxis(valueAxis, Qt::AlignLeft);
        series->attachAxis(axis);
        series->attachAxis(valueAxis);
        if (labels_)
            addValueLabels(chart, series, values, false);
    }
    // The view gives the previous chart back to us.
    const std::unique_ptr<QChart> previous(view_->chart());
    view_->setChart(chart);

    previous_->setEnabled(page_ > 0);
    next_->setEnabled(page_ + 1 < pageCount());
    pageLabel_->setText(QStringLiteral("%1 / %2").arg(page_ + 1).arg(pageCount()));
}

} // namespace pelmora
