#include "intake/UsersTableSelection.h"

#include "database/DataModule.h"
#include "intake/AccountName.h"

namespace pelmora
{

UsersTableSelection::UsersTableSelection(DataModule& data) : data_(data)
{
    reload();
}

void UsersTableSelection::reload()
{
    QStringList names;
    QSqlQuery query = data_.select(QStringLiteral("SELECT Username FROM Users ORDER BY rowid"));
    while (query.next())
        names << query.value(0).toString();
    names_ = names;
    current_ = names_.isEmpty() ? -1 : 0;
}

int UsersTableSelection::find(const QString& name) const
{
    const int exact = static_cast<int>(names_.indexOf(name));
    if (exact >= 0)
        return exact;
    for (int i = 0; i < names_.size(); ++i)
        if (AccountName::trimmed(names_.at(i)) == name)
            return i;
    return -1;
}

void UsersTableSelection::selectAccount(int index)
{
    current_ = (index >= 0 && index < names_.size()) ? index : -1;
}

} // namespace pelmora
