#include "reports/DataPipeline.h"

namespace pelmora::reports
{

RowFields::RowFields(const QStringList& names) : names_(names)
{
    for (int i = 0; i < names.size(); ++i)
        index_.insert(names.at(i).toLower(), i);
}

} // namespace pelmora::reports
