#pragma once

#include <QDialog>

namespace pelmora
{

// "About Pelmora": the picture with its version label and an OK button; kept above other windows.
class AboutDialog : public QDialog
{
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace pelmora
