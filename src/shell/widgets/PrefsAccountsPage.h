#pragma once

#include "shell/widgets/PrefsPage.h"

namespace pelmora
{

class Session;

// "User accounts": the merchant's cart accounts. The grid works on the same accounts model
// as the account selector of the main window.
class PrefsAccountsPage : public PrefsPage
{
    Q_OBJECT
  public:
    PrefsAccountsPage(Session& session, QWidget* parent = nullptr);

    void postPending(const QString& table) override;

    toolkit::DataGrid* grid() const { return grid_; }
    toolkit::SqlTableModel* model() const { return model_; }

  private:
    toolkit::SqlTableModel* model_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
};

} // namespace pelmora
