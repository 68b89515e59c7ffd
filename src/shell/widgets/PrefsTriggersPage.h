#pragma once

#include "shell/widgets/PrefsPage.h"

namespace pelmora
{

class Session;

// "Automated e-mail": which template opens when an order changes to a status. Rows can be
// appended but not deleted.
class PrefsTriggersPage : public PrefsPage
{
    Q_OBJECT
  public:
    PrefsTriggersPage(Session& session, QWidget* parent = nullptr);

    void postPending(const QString& table) override;

    toolkit::DataGrid* grid() const { return grid_; }
    toolkit::SqlTableModel* model() const { return model_; }

  private:
    toolkit::SqlTableModel* model_ = nullptr;
    toolkit::DataGrid* grid_ = nullptr;
};

} // namespace pelmora
