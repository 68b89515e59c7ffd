#pragma once

#include <QWidget>

class QBoxLayout;
class QLabel;
class QPushButton;

namespace pelmora
{

class DataModule;

namespace toolkit
{
class DataGrid;
class SqlTableModel;
struct GridColumn;
} // namespace toolkit

// One tab of the preferences dialog: a headline panel, the page's controls and a row with the
// "Help" and "Close" buttons.
class PrefsPage : public QWidget
{
    Q_OBJECT
  public:
    PrefsPage(const QString& caption, const QString& headline, QWidget* parent = nullptr);

    QString caption() const { return caption_; }
    QString headline() const;

    // Commits what the page still holds for the table (an open editor) into it. Throws Error
    // when the table refuses the value. Pages without that table do nothing.
    virtual void postPending(const QString& table);

  signals:
    void closeClicked();
    void helpClicked();

  protected:
    // Where the page puts its controls.
    QWidget* body() const { return body_; }

    // A model over a table of the data module's connection that follows the connection: it
    // drops its rows before the connection closes and reads them again after ResetDB.
    static toolkit::SqlTableModel* makeTableModel(DataModule& data, const QString& table, const QStringList& columns,
                                                  const QStringList& captions, QObject* parent);
    // A grid over model with a navigator of insert and delete buttons, columns filling the
    // width, no grouping and no column filtering.
    static toolkit::DataGrid* makeGrid(const char* objectName, toolkit::SqlTableModel* model,
                                       const QList<toolkit::GridColumn>& columns, QWidget* parent);
    // Commits the grid's open editor into its model; throws Error when the model refuses it.
    static void postGrid(toolkit::DataGrid* grid);

  private:
    QString caption_;
    QLabel* headline_ = nullptr;
    QWidget* body_ = nullptr;
};

} // namespace pelmora
