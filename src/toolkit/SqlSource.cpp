#include "toolkit/SqlSource.h"

namespace pelmora::toolkit
{

int SqlSource::columnIndex(const QString& name) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

} // namespace pelmora::toolkit
