#pragma once

#include <QString>
#include <cstdint>
#include <functional>

namespace pelmora::bench
{

// A synthetic program folder for benchmarks: the folders, cnfg/config_global.ini and a
// current database holding a chosen number of generated orders with their items. A marker
// file beside the folders tells what was made, so that a later run can reuse the folder.
class BenchFolder
{
  public:
    struct Plan {
        int64_t orders = 1000000;
        uint64_t seed = 20240601;
    };

    // Bump when the generated content changes, so that older folders are made anew.
    static constexpr int kGeneratorVersion = 1;

    static QString databaseFile(const QString& folder);
    static QString markerFile(const QString& folder);

    // Empty when the folder holds exactly what plan makes, in the current layout with its
    // indexes; otherwise why it does not.
    static QString staleReason(const QString& folder, const Plan& plan);

    // Makes the folder anew (an older database there is replaced). progress is called with
    // the number of orders written so far. Throws Error.
    static void make(const QString& folder, const Plan& plan, const std::function<void(int64_t)>& progress = {});

    // Copies the shipped files of resources (email templates, data template, ...) into the
    // folder, replacing older copies; the folder's own cnfg/config_global.ini is kept.
    static void copyResources(const QString& resources, const QString& folder);

    // A copy of the shared folder's database in work, for a benchmark that changes data; made
    // again when the shared one changed. Returns work. Throws Error.
    static QString workCopy(const QString& shared, const QString& work);
};

} // namespace pelmora::bench
