#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace pelmora
{

// A path box: the path as plain text, and a button that browses for it. A file box lists
// folders and files; a folder box lists folders only.
class PathField : public QWidget
{
    Q_OBJECT
  public:
    enum class Kind { File, Folder };

    PathField(Kind kind, QWidget* parent = nullptr);

    QString path() const;
    void setPath(const QString& path);
    // Where browsing starts while the box holds no usable path.
    void setRootFolder(const QString& folder) { root_ = folder; }

    QLineEdit* edit() const { return edit_; }
    QToolButton* browseButton() const { return browse_; }

  signals:
    void pathChosen(const QString& path);

  private:
    void browse();
    QString startFolder() const;

    Kind kind_;
    QString root_;
    QLineEdit* edit_ = nullptr;
    QToolButton* browse_ = nullptr;
};

} // namespace pelmora
