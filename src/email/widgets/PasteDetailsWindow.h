#pragma once

#include <QWidget>

class QPlainTextEdit;

namespace pelmora
{

// "Paste details": one text box filling the window, shown beside the main window without
// blocking it. Created hidden at start and reused.
class PasteDetailsWindow : public QWidget
{
    Q_OBJECT
  public:
    static inline const QString kCaption = QStringLiteral("Paste details");

    explicit PasteDetailsWindow(QWidget* parent = nullptr);

    // The "Paste data" button's opening: 200 x 146, shown and raised.
    void openSmall();
    void setText(const QString& text);
    QString text() const;
    QPlainTextEdit* memo() const { return memo_; }

  private:
    QPlainTextEdit* memo_ = nullptr;
};

} // namespace pelmora
