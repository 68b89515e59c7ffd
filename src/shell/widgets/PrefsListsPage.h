#pragma once

#include "shell/widgets/PrefsPage.h"

namespace pelmora
{

class Session;

// "Lists": the entries of the template, payment method and status drop-down lists.
class PrefsListsPage : public PrefsPage
{
    Q_OBJECT
  public:
    PrefsListsPage(Session& session, QWidget* parent = nullptr);

    void postPending(const QString& table) override;

    toolkit::DataGrid* templatesGrid() const { return templates_; }
    toolkit::DataGrid* methodGrid() const { return method_; }
    toolkit::DataGrid* statusGrid() const { return status_; }

  private:
    toolkit::DataGrid* templates_ = nullptr;
    toolkit::DataGrid* method_ = nullptr;
    toolkit::DataGrid* status_ = nullptr;
};

} // namespace pelmora
