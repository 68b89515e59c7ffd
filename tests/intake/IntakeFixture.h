#pragma once

// A program folder with a connected database, a recording user port, an HTTP client and a
// local cart server that every cart host of cnfg/service.ini points at.

#include "intake/CartServer.h"

#include "common/Pause.h"
#include "common/RecordingUserPort.h"
#include "common/RunFlags.h"
#include "common/ServiceSettings.h"
#include "intake/IntakeContext.h"
#include "support/DataFixture.h"
#include "toolkit/HttpClient.h"

#include <memory>

namespace pelmora::test
{

struct IntakeFixture : DataFixture {
    // trustCa: whether cnfg/service.ini names the test authority.
    explicit IntakeFixture(bool trustCa = true)
    {
        QByteArray ini = "[cart]\ndefault=" + cart.host().toLatin1() + "\n";
        for (const char* code : {"6", "7", "8", "9", "A", "B", "C", "D", "E"})
            ini += QByteArray(code) + "=" +
                   (code[0] == '6' ? "localhost:" + QByteArray::number(cart.port()) : cart.host().toLatin1()) + "\n";
        if (trustCa)
            ini += "[tls]\nca_file=" + certFile("ca.pem").toUtf8() + "\n";
        folder.writeFile(QStringLiteral("cnfg/service.ini"), ini);
        service = ServiceSettings::load(root);
    }

    CartServer cart;
    ServiceSettings service;
    RecordingUserPort port;
    toolkit::HttpClient http;
    Root root = folder.root();
    // The waits are recorded (and handed to onPause), not made.
    QList<QPair<int, bool>> pauses;
    std::function<void(int ms, bool events)> onPause;
    Pause pause{[this](int ms, bool events) {
        pauses << qMakePair(ms, events);
        if (onPause)
            onPause(ms, events);
    }};
    RunFlags flags;
    bool& NewOrdersDownloaded = flags.NewOrdersDownloaded;
    IntakeContext context{data, port, service, http, root, pause, flags};
};

} // namespace pelmora::test
