#pragma once

#include "export/ExportColumn.h"

#include <QByteArrayView>

namespace pelmora
{

// The rows an export writes, read once from first to last. A cell is read in the form the
// writer needs: the stored text as UTF-8 (valid until the next row), or a number.
class RowSource
{
  public:
    virtual ~RowSource() = default;

    virtual const ExportColumns& columns() const = 0;
    // How many rows next() will give, or -1 when that is not known in advance.
    virtual qint64 rowCount() = 0;
    // Moves to the next row; false after the last. Throws Error when reading fails.
    virtual bool next() = 0;

    virtual bool isNull(int column) const = 0;
    // Whether the stored value is a number (integer or real) rather than text.
    virtual bool isNumeric(int column) const = 0;
    virtual QByteArrayView text(int column) const = 0;
    virtual double number(int column) const = 0;
    virtual qint64 integer(int column) const = 0;
};

} // namespace pelmora
