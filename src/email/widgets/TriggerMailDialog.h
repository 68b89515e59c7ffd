#pragma once

#include <QDialog>
#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace pelmora
{

class TriggerMailing;
class UserPort;

// The status trigger's e-mails for orders whose status was set at once: the orders with their
// recipients, "Send" to send each its message, a progress bar and each order's result as it
// comes. Closing without sending sends nothing; "Stop" ends a run after the current order.
class TriggerMailDialog : public QDialog
{
    Q_OBJECT
  public:
    static inline const QString kSent = QStringLiteral("Sent");

    TriggerMailDialog(std::unique_ptr<TriggerMailing> mailing, const QString& status, UserPort& port,
                      QWidget* parent = nullptr);
    ~TriggerMailDialog() override;

    TriggerMailing& mailing() const { return *mailing_; }
    QTableWidget* table() const { return table_; }
    // Sends to every order not sent yet, showing each result.
    void sendAll();
    // Closes; while sending, stops the run after the current order instead.
    void reject() override;

  private:
    void showResult(int row);

    std::unique_ptr<TriggerMailing> mailing_;
    UserPort& port_;
    QLabel* summary_ = nullptr;
    QTableWidget* table_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* close_ = nullptr;
    bool sending_ = false;
    bool stop_ = false;
};

} // namespace pelmora
