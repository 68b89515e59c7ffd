// Build-time tool: writes a database file of the current layout with the default content.
// Usage: pelmora-makedb FILE   (an existing FILE is left alone)

#include "common/Error.h"
#include "database/Schema.h"
#include "reports/ReportRepository.h"
#include "workspace/ShippedReports.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        std::fprintf(stderr, "usage: pelmora-makedb FILE\n");
        return 2;
    }
    const QString path = args.at(1);
    if (QFile::exists(path))
        return 0;
    const QString temp = path + QStringLiteral(".new");
    QFile::remove(temp);
    int rc = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("makedb"));
        db.setDatabaseName(temp);
        if (!db.open()) {
            std::fprintf(stderr, "%s\n", qPrintable(db.lastError().text()));
            return 1;
        }
        try {
            db.transaction();
            pelmora::Schema::create(db);
            pelmora::Schema::insertDefaults(db);
            pelmora::reports::ReportRepository repository(db);
            pelmora::ShippedReports::install(repository);
            db.commit();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            rc = 1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("makedb"));
    if (rc == 0 && !QFile::rename(temp, path))
        rc = 1;
    QFile::remove(temp);
    return rc;
}
