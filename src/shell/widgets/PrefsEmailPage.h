#pragma once

#include "shell/widgets/PrefsPage.h"

class QCheckBox;
class QLineEdit;

namespace pelmora
{

class PrefsRecordBinding;
class Session;

namespace toolkit
{
class SqlTableModel;
}

// "E-mail": the sender address and the plain-text switch of the Email row.
class PrefsEmailPage : public PrefsPage
{
    Q_OBJECT
  public:
    PrefsEmailPage(Session& session, QWidget* parent = nullptr);

    void postPending(const QString& table) override;

    QLineEdit* fromEdit() const { return from_; }
    QCheckBox* plainTextBox() const { return plainText_; }
    toolkit::SqlTableModel* model() const { return model_; }

  private:
    toolkit::SqlTableModel* model_ = nullptr;
    PrefsRecordBinding* binding_ = nullptr;
    QLineEdit* from_ = nullptr;
    QCheckBox* plainText_ = nullptr;
};

} // namespace pelmora
