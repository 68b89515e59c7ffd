#include "support/CliRun.h"

#include <QProcess>
#include <QSignalSpy>

namespace pelmora::test
{

CliRun runProgram(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    QSignalSpy finished(&process, &QProcess::finished);
    process.start();
    if (!finished.wait(120000))
        process.kill();
    CliRun run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.outBytes = process.readAllStandardOutput();
    run.out = QString::fromUtf8(run.outBytes);
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

CliRun runCli(const QStringList& arguments)
{
    return runProgram(QStringLiteral(PELMORA_PROGRAM_DIR "/pelmora-cli"), arguments);
}

} // namespace pelmora::test
