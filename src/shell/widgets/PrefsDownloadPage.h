#pragma once

#include "shell/widgets/PrefsPage.h"

class QCheckBox;
class QComboBox;
class QRadioButton;

namespace pelmora
{

// "Download": the automatic download's interval, its accounts and its switch.
class PrefsDownloadPage : public PrefsPage
{
    Q_OBJECT
  public:
    explicit PrefsDownloadPage(QWidget* parent = nullptr);

    QComboBox* minutesBox() const { return minutes_; }
    QRadioButton* allAccountsButton() const { return all_; }
    QRadioButton* selectedAccountButton() const { return selected_; }
    QCheckBox* autoDownloadBox() const { return autoDownload_; }

  signals:
    // The merchant clicked "Auto-download enabled" (its new state).
    void autoDownloadClicked(bool checked);

  private:
    QComboBox* minutes_ = nullptr;
    QRadioButton* all_ = nullptr;
    QRadioButton* selected_ = nullptr;
    QCheckBox* autoDownload_ = nullptr;
};

} // namespace pelmora
