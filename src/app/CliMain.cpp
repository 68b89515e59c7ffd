// pelmora-cli: runs Pelmora's operations without windows on a program folder.

#include "common/RecordingUserPort.h"
#include "common/Root.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("pelmora-cli"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Runs Pelmora's operations on a program folder, without windows."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("root"), QStringLiteral("The program folder (default: the folder of this program)."), QStringLiteral("DIR")});
    parser.process(app);
    pelmora::Root::set(parser.isSet(QStringLiteral("root")) ? parser.value(QStringLiteral("root")) : pelmora::Root::executableFolder());
    std::fprintf(stderr, "no command given; see --help\n");
    return 1;
}
