#pragma once

namespace pelmora
{

class MainWindow;
class WorkspaceView;

// Puts the orders workspace into the main window: the inspector, the orders grid and the items
// grid into their areas, their layout properties into the window's layout store, StatusChanged
// bound to the session's flags, and the "Reset", "Grouping" and "Auto-size" commands wired and
// enabled. The view is a child of the window (objectName "workspaceView"); the window keeps the
// pointer returned (MainWindow::workspaceView) and later features reach its hooks through it.
WorkspaceView* InstallWorkspace(MainWindow& window);

} // namespace pelmora
