#pragma once

#include "shell/widgets/PrefsPage.h"

class QLineEdit;

namespace pelmora
{

class PrefsRecordBinding;
class Session;

namespace toolkit
{
class SqlTableModel;
}

// "Proxy server": the one row of Proxy.
class PrefsProxyPage : public PrefsPage
{
    Q_OBJECT
  public:
    PrefsProxyPage(Session& session, QWidget* parent = nullptr);

    void postPending(const QString& table) override;

    toolkit::SqlTableModel* model() const { return model_; }

  private:
    toolkit::SqlTableModel* model_ = nullptr;
    PrefsRecordBinding* binding_ = nullptr;
};

} // namespace pelmora
