#pragma once

namespace pelmora
{

// The flags of one run that several parts set and read: the session owns them and hands them
// to the workspace and the intake.
struct RunFlags {
    bool StartedUp = false;
    // Set when a Status cell of the grid was edited.
    bool StatusChanged = false;
    // Set by the download's status header; the callers import only while it is set.
    bool NewOrdersDownloaded = false;
};

} // namespace pelmora
