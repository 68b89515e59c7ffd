#include "shell/widgets/PrefsRecordBinding.h"

#include "common/Error.h"
#include "toolkit/SqlTableModel.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pelmora
{

PrefsRecordBinding::PrefsRecordBinding(toolkit::SqlTableModel* model, QObject* parent) : QObject(parent), model_(model)
{
    connect(model_, &QAbstractItemModel::modelReset, this, &PrefsRecordBinding::load);
    connect(model_, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& from) {
        if (from.row() == 0)
            load();
    });
}

void PrefsRecordBinding::addEdit(QLineEdit* edit, const QString& column, bool nullWhenEmpty)
{
    fields_.append({edit, column, nullWhenEmpty});
    connect(edit, &QLineEdit::editingFinished, this, &PrefsRecordBinding::postQuietly);
    load();
}

void PrefsRecordBinding::addCheckBox(QCheckBox* box, const QString& column)
{
    fields_.append({box, column, false});
    connect(box, &QCheckBox::clicked, this, &PrefsRecordBinding::postQuietly);
    load();
}

QVariant PrefsRecordBinding::widgetValue(const Field& field) const
{
    if (auto* edit = qobject_cast<QLineEdit*>(field.widget.data())) {
        if (field.nullWhenEmpty && edit->text().isEmpty())
            return QVariant();
        return edit->text();
    }
    if (auto* box = qobject_cast<QCheckBox*>(field.widget.data()))
        return box->isChecked();
    return QVariant();
}

void PrefsRecordBinding::load()
{
    // A post reads the row back after each column; the columns not yet posted keep their text.
    if (posting_)
        return;
    loading_ = true;
    const bool hasRow = model_->rowCount() > 0;
    for (const Field& field : std::as_const(fields_)) {
        const QVariant value = hasRow ? model_->value(0, field.column) : QVariant();
        if (auto* edit = qobject_cast<QLineEdit*>(field.widget.data())) {
            // An edit the merchant is typing in keeps its text.
            if (!edit->isModified() || !hasRow)
                edit->setText(value.isNull() ? QString() : value.toString());
            edit->setModified(false);
        } else if (auto* box = qobject_cast<QCheckBox*>(field.widget.data())) {
            box->setChecked(value.toBool());
        }
    }
    loading_ = false;
}

namespace
{
struct Posting {
    bool& flag;
    explicit Posting(bool& f) : flag(f) { flag = true; }
    ~Posting() { flag = false; }
};
} // namespace

void PrefsRecordBinding::insertFirstRow()
{
    QVariantMap values;
    for (const Field& field : std::as_const(fields_)) {
        const QVariant value = field.widget ? widgetValue(field) : QVariant();
        const bool entered = value.typeId() == QMetaType::Bool ? value.toBool() : !value.toString().isEmpty();
        if (entered)
            values.insert(field.column, value);
    }
    if (values.isEmpty())
        return;
    {
        Posting posting(posting_);
        if (model_->appendRow(values) < 0 && !model_->lastInsertedKey().isValid())
            throw Error(model_->lastError());
    }
    load();
}

void PrefsRecordBinding::post()
{
    if (loading_ || posting_)
        return;
    if (model_->rowCount() == 0) {
        insertFirstRow();
        return;
    }
    Posting posting(posting_);
    for (const Field& field : std::as_const(fields_)) {
        if (!field.widget)
            continue;
        const int column = model_->columnIndex(field.column);
        if (column < 0)
            continue;
        const QVariant wanted = widgetValue(field);
        const QVariant stored = model_->value(0, column);
        const bool same =
            wanted.typeId() == QMetaType::Bool
                ? (!stored.isNull() && stored.toBool() == wanted.toBool())
                : (wanted.isNull() ? stored.isNull() : (!stored.isNull() && stored.toString() == wanted.toString()));
        if (same)
            continue;
        if (!model_->setData(model_->index(0, column), wanted))
            throw Error(model_->lastError());
    }
    posting.flag = false;
    load();
}

void PrefsRecordBinding::postQuietly()
{
    try {
        post();
    } catch (const std::exception& e) {
        if (onError_)
            onError_(QString::fromStdString(e.what()));
    }
}

} // namespace pelmora
