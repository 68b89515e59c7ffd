#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QCheckBox;
class QLineEdit;
class QWidget;

namespace pelmora
{

namespace toolkit
{
class SqlTableModel;
}

// Binds edits and check boxes to the first row of a one-row table (Email, Proxy): the
// controls show the row, and a finished edit or a click posts its column at once.
class PrefsRecordBinding : public QObject
{
    Q_OBJECT
  public:
    using ErrorHandler = std::function<void(const QString& message)>;

    PrefsRecordBinding(toolkit::SqlTableModel* model, QObject* parent = nullptr);

    // A column shown in an edit; with nullWhenEmpty an empty text is stored as NULL (numbers).
    void addEdit(QLineEdit* edit, const QString& column, bool nullWhenEmpty = false);
    // A flag column shown in a check box (stored 0/1).
    void addCheckBox(QCheckBox* box, const QString& column);

    // Who hears of a post that failed while the merchant typed (at close, post() throws).
    void setErrorHandler(ErrorHandler handler) { onError_ = std::move(handler); }

    // Shows the first row (empty controls when the table has none).
    void load();
    // Posts the controls whose value differs from the row; on an empty table, what the
    // merchant entered becomes its first row (nothing entered: no row). Throws Error when the
    // table refuses a value.
    void post();

  private:
    struct Field {
        QPointer<QWidget> widget;
        QString column;
        bool nullWhenEmpty = false;
    };
    QVariant widgetValue(const Field& field) const;
    void insertFirstRow();
    void postQuietly();

    toolkit::SqlTableModel* model_;
    QList<Field> fields_;
    ErrorHandler onError_;
    bool loading_ = false;
    bool posting_ = false;
};

} // namespace pelmora
