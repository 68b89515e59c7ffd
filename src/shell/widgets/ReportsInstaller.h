#pragma once

namespace pelmora
{

class MainWindow;

// Wires the reports into the main window: "&Open reports" and the "Reports" button open the
// Report Explorer over the workspace's pipelines; "Print..." opens the print preview of the
// orders grid as shown.
void InstallReports(MainWindow& window);

} // namespace pelmora
