#include "shell/widgets/PrefsPage.h"

#include "common/Error.h"
#include "database/DataModule.h"
#include "toolkit/SqlTableModel.h"
#include "toolkit/widgets/DataGrid.h"

#include <QAbstractItemDelegate>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace pelmora
{

PrefsPage::PrefsPage(const QString& caption, const QString& headline, QWidget* parent)
    : QWidget(parent), caption_(caption)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("headlinePanel"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setAutoFillBackground(true);
    panel->setBackgroundRole(QPalette::Base);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->setContentsMargins(8, 6, 8, 6);
    headline_ = new QLabel(headline, panel);
    headline_->setObjectName(QStringLiteral("headline"));
    QFont bold = headline_->font();
    bold.setBold(true);
    headline_->setFont(bold);
    panelLayout->addWidget(headline_);
    layout->addWidget(panel);

    body_ = new QWidget(this);
    body_->setObjectName(QStringLiteral("pageBody"));
    layout->addWidget(body_, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(6, 0, 6, 6);
    auto* help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("buttonHelp"));
    help->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("buttonClose"));
    close->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(help, &QPushButton::clicked, this, &PrefsPage::helpClicked);
    connect(close, &QPushButton::clicked, this, &PrefsPage::closeClicked);
}

QString PrefsPage::headline() const
{
    return headline_->text();
}

void PrefsPage::postPending(const QString&)
{
}

toolkit::SqlTableModel* PrefsPage::makeTableModel(DataModule& data, const QString& table, const QStringList& columns,
                                                  const QStringList& captions, QObject* parent)
{
    auto* model = new toolkit::SqlTableModel(parent);
    model->setObjectName(QStringLiteral("model") + table);
    model->setConnectionName(data.connectionName());
    model->setTable(table);
    model->setColumns(columns, captions);
    connect(&data, &DataModule::aboutToDisconnect, model, &toolkit::SqlTableModel::close);
    connect(&data, &DataModule::reset, model, [model, &data] {
        if (data.isConnected())
            model->open();
    });
    if (data.isConnected())
        model->open();
    return model;
}

toolkit::DataGrid* PrefsPage::makeGrid(const char* objectName, toolkit::SqlTableModel* model,
                                       const QList<toolkit::GridColumn>& columns, QWidget* parent)
{
    auto* grid = new toolkit::DataGrid(parent);
    grid->setObjectName(QString::fromLatin1(objectName));
    grid->setModel(model);
    grid->columns().setColumns(columns);
    grid->navigator()->setButtons({toolkit::RecordNavigator::Insert, toolkit::RecordNavigator::Delete});
    grid->navigator()->setVisible(true);
    grid->grouping().setEnabled(false);
    grid->grouping().setBoxVisible(false);
    grid->filtering().setEnabled(false);
    grid->columnMenu().setCustomizationAllowed(false);
    grid->columns().setAutoWidth(true);
    return grid;
}

void PrefsPage::postGrid(toolkit::DataGrid* grid)
{
    auto* model = qobject_cast<toolkit::SqlTableModel*>(grid->model());
    QString failure;
    QMetaObject::Connection watch;
    if (model)
        watch = connect(model, &toolkit::SqlTableModel::error, grid, [&failure](const QString& message) {
            if (failure.isEmpty())
                failure = message;
        });
    grid->navigator()->trigger(toolkit::RecordNavigator::Post);
    if (watch)
        disconnect(watch);
    if (!failure.isEmpty())
        throw Error(failure);
}

} // namespace pelmora
