#pragma once

#include <QString>
#include <QStringList>

namespace pelmora
{

class DataModule;

// Brings a file of an older layout one step nearer the current one, by its Global.Version.
class SchemaUpgrade
{
  public:
    explicit SchemaUpgrade(DataModule& data) : data_(data) {}

    // Reads Global.Version and runs the step it calls for (none for "4.8" and "4.9").
    // A step runs in one transaction and writes the version last: the first failing operation
    // throws and leaves the file as it was, to be tried again at the next ResetDB.
    void run();

    void step47();
    void fullUpgrade();

    // The statements of the full upgrade, in their order.
    static const QStringList& fullUpgradeStatements();

  private:
    // Edits the first row of table (a new row when it is empty), setting column to value.
    void editFirstRow(const QString& table, const QString& column, const QVariant& value);
    // OrdersArchve takes the columns Orders has, in the same order.
    void alignArchive();

    DataModule& data_;
};

} // namespace pelmora
