#pragma once

#include <QString>
#include <QStringList>

namespace pelmora::toolkit
{

// Where an SQL model reads from: the connection, the table, its key and the columns shown.
// Shared by the flat and the grouped model.
class SqlSource
{
  public:
    void setConnectionName(const QString& name) { m_connectionName = name; }
    QString connectionName() const { return m_connectionName; }
    void setTable(const QString& table) { m_table = table; }
    QString table() const { return m_table; }
    // The row identity used for UPDATE/DELETE and keyset paging; "rowid" by default.
    void setKeyColumn(const QString& column) { m_keyColumn = column.isEmpty() ? QStringLiteral("rowid") : column; }
    QString keyColumn() const { return m_keyColumn; }
    // The columns to show (all when empty), with optional header captions.
    void setColumns(const QStringList& names, const QStringList& captions = {})
    {
        m_requestedColumns = names;
        m_requestedCaptions = captions;
    }
    // The columns as shown since the last open or refresh.
    QStringList columnNames() const { return m_columns; }
    QString columnName(int column) const { return m_columns.value(column); }
    // The column of a name, without regard to letter case; -1 when not shown.
    int columnIndex(const QString& name) const;

  protected:
    ~SqlSource() = default;

    QString m_connectionName;
    QString m_table;
    QString m_keyColumn = QStringLiteral("rowid");
    QStringList m_requestedColumns;
    QStringList m_requestedCaptions;
    QStringList m_columns;
};

} // namespace pelmora::toolkit
