#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace pelmora::test
{

// What a finished program printed and returned; exitCode is -1 when it crashed or did not finish in time.
struct CliRun {
    int exitCode = -1;
    QByteArray outBytes;
    QString out; // outBytes as text
    QString err;
};

// Runs program with the arguments while this process's event loop keeps serving (so local test servers answer).
CliRun runProgram(const QString& program, const QStringList& arguments);
// Runs the program folder's pelmora-cli.
CliRun runCli(const QStringList& arguments);

} // namespace pelmora::test
