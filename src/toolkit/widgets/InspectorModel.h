#pragma once

#include "toolkit/widgets/CategoryInspector.h"

#include <QAbstractItemModel>
#include <QPointer>

#include <memory>
#include <vector>

namespace pelmora::toolkit
{

// The tree behind CategoryInspector: categories and field rows in column 0, the current
// record's values in column 1 (read from and written to the source model).
class InspectorModel : public QAbstractItemModel
{
    Q_OBJECT

  public:
    explicit InspectorModel(QObject* parent = nullptr);
    ~InspectorModel() override;

    void setCategories(const QList<InspectorCategory>& categories);
    void setSource(QAbstractItemModel* source);
    QAbstractItemModel* source() const;
    void setCurrentRow(int row);
    int currentRow() const;
    void setReadOnly(bool readOnly);

    // The row's description (nullptr for categories and invalid indexes).
    const GridColumn* columnAt(const QModelIndex& index) const;
    bool isCategory(const QModelIndex& index) const;
    QModelIndex categoryIndex(const QString& caption) const;
    QModelIndex fieldIndex(const QString& field, int column = 1) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

  private:
    struct Node;

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex sourceIndex(const Node* node) const;
    void resolveColumns();
    void refreshValues();
    int sourceColumnOf(const QString& field) const;

    std::unique_ptr<Node> m_root;
    QPointer<QAbstractItemModel> m_source;
    QList<QMetaObject::Connection> m_connections;
    int m_row = -1;
    bool m_readOnly = false;
};

} // namespace pelmora::toolkit
