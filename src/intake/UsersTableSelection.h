#pragma once

#include "intake/AccountSelection.h"

#include <QStringList>

namespace pelmora
{

class DataModule;

// An account selection over the Users table without a window: the rows in table order,
// the first one selected.
class UsersTableSelection : public AccountSelection
{
  public:
    // Reads the accounts. Throws Error.
    explicit UsersTableSelection(DataModule& data);

    void reload();
    // The row whose Username is name, or else whose trimmed Username is name; -1 when none.
    int find(const QString& name) const;

    int accountCount() const override { return static_cast<int>(names_.size()); }
    QString accountName(int index) const override { return names_.value(index); }
    int currentAccount() const override { return current_; }
    void selectAccount(int index) override;
    QString selectorText() const override { return names_.value(current_); }

  private:
    DataModule& data_;
    QStringList names_;
    int current_ = -1;
};

} // namespace pelmora
