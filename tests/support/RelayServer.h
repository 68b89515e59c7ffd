#pragma once

// A local stand-in for the mail relay: plain HTTP on 127.0.0.1, records every request and
// answers with the chosen status, or never answers at all.

#include "support/TestServer.h"

namespace pelmora::test
{

class RelayServer : public TestServer
{
  public:
    RelayServer() : TestServer(false) {}

    int status = 200;
    bool answer = true;

    // A field's value as bytes: "+" as blank, %XX decoded.
    static QByteArray field(const TestRequest& request, const QByteArray& name)
    {
        for (const auto& [n, v] : request.rawFields())
            if (n == name)
                return QByteArray::fromPercentEncoding(QByteArray(v).replace('+', ' '));
        return "<missing>";
    }

  protected:
    std::optional<TestResponse> answerFor(const TestRequest&) override
    {
        if (!answer)
            return std::nullopt;
        TestResponse r;
        r.status = status;
        r.headers << qMakePair(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/plain"));
        r.body = status / 100 == 2 ? "OK" : "Relay error";
        return r;
    }
};

} // namespace pelmora::test
