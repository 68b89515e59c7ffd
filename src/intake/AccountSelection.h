#pragma once

#include <QString>

namespace pelmora
{

// The accounts as the account selector holds them: the rows of Users in table order and the
// selected one. The main window's selector implements it over its model; pelmora-cli and the
// tests use UsersTableSelection.
class AccountSelection
{
  public:
    virtual ~AccountSelection() = default;

    virtual int accountCount() const = 0;
    // Username of row index, as stored.
    virtual QString accountName(int index) const = 0;
    // The selected row, or -1 when there is none.
    virtual int currentAccount() const = 0;
    // Selects row index (the selector then shows its Username).
    virtual void selectAccount(int index) = 0;
    // What the selector shows: the selected Username, as stored; empty when none.
    virtual QString selectorText() const = 0;
};

} // namespace pelmora
