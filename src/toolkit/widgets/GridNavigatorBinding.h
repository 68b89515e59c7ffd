#pragma once

#include <QObject>

namespace pelmora::toolkit
{

class RecordNavigator;
struct GridViewSet;

// Binds a grid's record navigator to the view the grid shows (the table, or the grouped tree),
// and gives the views the navigator's keys: Insert appends a row, Ctrl+Delete deletes the
// current one, each only while the navigator shows that button.
class GridNavigatorBinding : public QObject
{
    Q_OBJECT

  public:
    GridNavigatorBinding(RecordNavigator* navigator, GridViewSet& views);

    // The navigator works on the view shown now.
    void follow();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    RecordNavigator* m_navigator;
    GridViewSet& m_views;
};

} // namespace pelmora::toolkit
