#pragma once

#include "workspace/OrderArchiving.h"

#include <QDialog>

class QLineEdit;
class QRadioButton;
class QToolButton;

namespace pelmora
{

// "Archive Records": the choice between archiving by date and archiving the "Completed"
// orders, and the day up to which orders go. Made once and kept for the run, so the date box
// keeps its text between openings. OK runs the archiving and closes the dialog.
class ArchiveDialog : public QDialog
{
    Q_OBJECT
  public:
    static inline const QString kCaption = QStringLiteral("Archive Records");
    static inline const QString kHeading = QStringLiteral("Archive older or 'Completed' orders");
    static inline const QString kByDate = QStringLiteral("Archive by date");
    static inline const QString kUpTo = QStringLiteral("Orders up to and including");
    static inline const QString kCompleted = QStringLiteral("Archive 'Completed' orders");

    ArchiveDialog(DataModule& data, UserPort& port, QWidget* parent = nullptr);

    ArchiveMode mode() const;
    // The last run's result (Cancelled before the first one).
    const ArchiveResult& lastResult() const { return result_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void accept() override;

  private:
    OrderArchiving archiving_;
    ArchiveResult result_;
    QRadioButton* byDate_ = nullptr;
    QRadioButton* completed_ = nullptr;
    QLineEdit* dateBox_ = nullptr;
    QToolButton* calendarButton_ = nullptr;
};

} // namespace pelmora
