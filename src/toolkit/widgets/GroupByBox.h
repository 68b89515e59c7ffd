#pragma once

#include <QFrame>
#include <QPair>
#include <QStringList>

class QHBoxLayout;
class QLabel;

namespace pelmora::toolkit
{

// The box above a grid into which column headers are dragged to group by them. It shows the
// grouped columns as chips, in grouping order; a chip's close button ungroups its column.
class GroupByBox : public QFrame
{
    Q_OBJECT

  public:
    static constexpr const char* kHint = "Drag a column header here to group by that column";

    explicit GroupByBox(QWidget* parent = nullptr);

    // (field, caption) of each grouped column, outermost first.
    void setGroups(const QList<QPair<QString, QString>>& groups);
    QStringList groupedFields() const;

  signals:
    // A column header was dropped at grouping level `level`.
    void columnDropped(const QString& field, int level);
    void ungroupRequested(const QString& field);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    int levelAt(int x) const;

    QHBoxLayout* m_layout = nullptr;
    QLabel* m_hint = nullptr;
    QList<QWidget*> m_chips;
    QStringList m_fields;
};

} // namespace pelmora::toolkit
