// The message the dialog rebuilds and what reaches the mail relay when it is sent.

#include "email/EmailFixture.h"
#include "support/RelayServer.h"

#include "common/RecordingUserPort.h"
#include "common/ServiceSettings.h"
#include "email/EmailComposer.h"
#include "email/HtmlText.h"

#include <QCryptographicHash>
#include <QtTest>

using namespace pelmora;
using namespace pelmora::test;

class EmailComposerTest : public QObject
{
    Q_OBJECT
  private slots:
    void init()
    {
        f_ = std::make_unique<EmailFixture>();
        relay_ = std::make_unique<RelayServer>();
        port_ = std::make_unique<RecordingUserPort>();
        f_->addOrder({{"ShopperID", 1001},
                      {"Invoice_name", QString::fromUtf8("Zo\u00eb")},
                      {"Invoice_email", "ann@example.com"},
                      {"Total", 20},
                      {"Username", "shop"}});
        f_->addItem(1001, 2, "W-1", "Widget", 10, 20);
        f_->exec(QStringLiteral("DELETE FROM Templates"));
        f_->exec(QStringLiteral("INSERT INTO Templates(TemplateName,TemplateAddress) VALUES('First','first.htm'),"
                                "('Second','second.htm')"));
        f_->writeTemplate(QStringLiteral("first.htm"),
                          "<#Config subject=\"Your order\" cc=\"boss@shop.example\"><html><head><title>T</title></head>"
                          "<body><p>Dear <#Invoice_name>,</p><p>Total: <#Total> &amp; more</p><table><#Items></table>"
                          "<div><#AdditionalMessage></div></body></html>");
        f_->writeTemplate(QStringLiteral("second.htm"), "<#Config subject=\"Second one\">Second for <#ShopperID>");
        f_->writeTemplate(QStringLiteral("items_template.htm"), "<tr><td><#Product></td><td><#Amount></td></tr>");
        useRelay(relay_->host());
        order_ = f_->order(1001);
        haveOrder_ = true;
        setSender(QStringLiteral("  shop@example.com "));
    }

    void cleanup()
    {
        composer_.reset();
        service_.reset();
        relay_.reset();
        port_.reset();
        f_.reset();
    }

    void rebuildWritesThePreviewAndFields()
    {
        composer_->fields().additionalMessage = QStringLiteral("Ring twice");
        QVERIFY(composer_->rebuild());
        const MessageFields& fields = composer_->fields();
        QCOMPARE(fields.to, QStringLiteral("ann@example.com"));
        QCOMPARE(fields.subject, QStringLiteral("Your order"));
        QCOMPARE(fields.cc, QStringLiteral("boss@shop.example"));
        const QByteArray expected = "<html><head><title>T</title></head><body><p>Dear Zo\xc3\xab,</p><p>Total: 20.00 "
                                    "&amp; more</p><table><tr><td>"
                                    "Widget</td><td>20.00</td></tr></table><div>Ring twice</div></body></html>\r\n";
        QCOMPARE(f_->folder.readFile(QStringLiteral("tmp/tmp.html")), expected);
        QCOMPARE(composer_->html().toUtf8() + "\r\n", expected);
        QCOMPARE(composer_->text(),
                 QString::fromUtf8("Dear Zo\u00eb,\r\n\r\nTotal: 20.00 & more\r\n\r\nWidget\t20.00\r\n"
                                   "Ring twice\r\n"));
    }

    void failedRebuildKeepsTheMessage_data()
    {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<bool>("lockPreview");
        QTest::newRow("malformed escape") << QByteArray("<#Config subject=\"New\">x <#Config cc=%z1>") << false;
        QTest::newRow("preview not writable") << QByteArray("<#Config subject=\"New\">fine") << true;
    }

    void failedRebuildKeepsTheMessage()
    {
        QFETCH(QByteArray, second);
        QFETCH(bool, lockPreview);
        QVERIFY(composer_->rebuild());
        const QString html = composer_->html();
        const QByteArray preview = f_->folder.readFile(QStringLiteral("tmp/tmp.html"));
        f_->writeTemplate(QStringLiteral("second.htm"), second);
        QVERIFY(composer_->chooseTemplate(QStringLiteral("Second")));
        if (lockPreview) {
            QVERIFY(QFile::remove(f_->folder.file(QStringLiteral("tmp/tmp.html"))));
            QVERIFY(QDir().mkpath(f_->folder.file(QStringLiteral("tmp/tmp.html"))));
        }
        QVERIFY_THROWS_EXCEPTION(std::exception, composer_->rebuild());
        QCOMPARE(composer_->html(), html);
        QCOMPARE(composer_->fields().subject, QStringLiteral("Your order"));
        QCOMPARE(composer_->fields().cc, QStringLiteral("boss@shop.example"));
        if (!lockPreview)
            QCOMPARE(f_->folder.readFile(QStringLiteral("tmp/tmp.html")), preview);
    }

    void noOrderChangesNothing()
    {
        haveOrder_ = false;
        composer_->fields().to = QStringLiteral("kept@example.com");
        QVERIFY(!composer_->rebuild());
        QCOMPARE(composer_->fields().to, QStringLiteral("kept@example.com"));
        QVERIFY(!QFile::exists(f_->folder.file(QStringLiteral("tmp/tmp.html"))));
    }

    void templateChoiceByName()
    {
        QCOMPARE(composer_->templateName(), QStringLiteral("First"));
        QVERIFY(!composer_->chooseTemplate(QStringLiteral("Nonexistent")));
        QCOMPARE(composer_->templateName(), QStringLiteral("First"));
        QVERIFY(composer_->chooseTemplate(QStringLiteral("Second")));
        QVERIFY(composer_->rebuild());
        QCOMPARE(composer_->html(), QStringLiteral("Second for 1001"));
        QCOMPARE(composer_->fields().subject, QStringLiteral("Second one"));
        QCOMPARE(composer_->fields().cc, QString());
        // A chosen template that is taken out of the list gives way to the first row.
        f_->exec(QStringLiteral("DELETE FROM Templates WHERE TemplateName = 'Second'"));
        QCOMPARE(composer_->templateName(), QStringLiteral("First"));
    }

    void unsetSenderSendsNothing_data()
    {
        QTest::addColumn<QVariant>("from");
        QTest::newRow("placeholder") << QVariant(QStringLiteral("your.name@example.com"));
        QTest::newRow("empty") << QVariant(QStringLiteral("  "));
        QTest::newRow("no value") << QVariant();
    }

    void unsetSenderSendsNothing()
    {
        QFETCH(QVariant, from);
        setSender(from);
        QVERIFY(composer_->rebuild());
        QCOMPARE(composer_->send(), EmailComposer::SendOutcome::NoSender);
        QTest::qWait(0);
        QVERIFY(relay_->requests.isEmpty());
        QVERIFY(f_->folder.logLines().isEmpty());
    }

    void relayReceivesTheForm()
    {
        f_->exec(QStringLiteral("UPDATE Users SET Secure = 'payment-secret'"));
        QVERIFY(composer_->rebuild());
        composer_->fields().to = QString::fromUtf8("Zo\u00eb@example.com");
        composer_->fields().subject = QString::fromUtf8("Gr\u00fc\u00dfe \u2713");
        QCOMPARE(composer_->send(), EmailComposer::SendOutcome::Sent);

        QCOMPARE(relay_->requests.size(), 1);
        const CartRequest& request = relay_->requests.first();
        QCOMPARE(request.method, QByteArray("POST"));
        QCOMPARE(request.path, QByteArray("/pelmora/send.php"));
        QCOMPARE(request.header("Content-Type"), QByteArray("application/x-www-form-urlencoded"));
        QStringList names;
        for (const auto& [name, value] : request.rawFields())
            names << QString::fromLatin1(name);
        QCOMPARE(names, (QStringList{"to", "cc", "from", "subject", "text_mess", "html_mess", "ck"}));
        QCOMPARE(RelayServer::field(request, "to"), QByteArray("Zo\xeb@example.com"));
        QCOMPARE(RelayServer::field(request, "cc"), QByteArray("boss@shop.example"));
        QCOMPARE(RelayServer::field(request, "from"), QByteArray("shop@example.com"));
        QCOMPARE(RelayServer::field(request, "subject"), QByteArray("Gr\xfc\xdf"
                                                                    "e ?"));
        QVERIFY(RelayServer::field(request, "text_mess").startsWith("Dear Zo\xeb,\r\n"));
        QVERIFY(RelayServer::field(request, "html_mess").contains("<p>Dear Zo\xeb,</p>"));
        // The digest: MD5 of from, to and subject as sent, and the relay's token.
        const QByteArray signedText = RelayServer::field(request, "from") + RelayServer::field(request, "to") +
                                      RelayServer::field(request, "subject") + "4kWPcdmvqrtw MMFzx";
        QCOMPARE(RelayServer::field(request, "ck"),
                 QCryptographicHash::hash(signedText, QCryptographicHash::Md5).toHex());
        // Blanks travel as "+", a literal "+" and "&" percent-encoded.
        QVERIFY(request.body.contains("subject=Gr%FC%DFe+%3F&"));

        QCOMPARE(port_->status(), QString::fromUtf8("E-mail sent to Zo\u00eb@example.com"));
        const QStringList log = f_->folder.logLines();
        QCOMPARE(log.size(), 1);
        QVERIFY2(
            log.first().endsWith(QString::fromUtf8(": E-mail sent to Zo\u00eb@example.com: Gr\u00fc\u00dfe \u2713")),
            qPrintable(log.first()));
        QVERIFY(!log.first().contains(QStringLiteral("secret")));
        QVERIFY(!log.first().contains(QStringLiteral("text_mess")));

        // The next send carries each field once again; with plain text chosen the HTML body goes
        // as empty text.
        setSender(QStringLiteral("shop@example.com"), true);
        composer_->fields().subject = QStringLiteral("Again");
        QCOMPARE(composer_->send(), EmailComposer::SendOutcome::Sent);
        QCOMPARE(relay_->requests.size(), 2);
        const CartRequest& plain = relay_->requests.at(1);
        QCOMPARE(plain.rawFields().size(), 7);
        QCOMPARE(RelayServer::field(plain, "subject"), QByteArray("Again"));
        QCOMPARE(RelayServer::field(plain, "html_mess"), QByteArray());
        QVERIFY(RelayServer::field(plain, "text_mess").contains("Widget\t20.00"));
    }

    void relayFailuresAreReported_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<bool>("closedPort");
        QTest::addColumn<QString>("reason");
        QTest::newRow("500") << 500 << true << false << "500";
        QTest::newRow("302") << 302 << true << false << "302";
        QTest::newRow("never answers") << 200 << false << false << "did not answer";
        QTest::newRow("nobody listening") << 200 << true << true << "not sent";
    }

    void relayFailuresAreReported()
    {
        QFETCH(int, status);
        QFETCH(bool, answer);
        QFETCH(bool, closedPort);
        QFETCH(QString, reason);
        relay_->status = status;
        relay_->answer = answer;
        if (closedPort) {
            QTcpServer probe;
            QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
            const quint16 port = probe.serverPort();
            probe.close();
            useRelay(QStringLiteral("127.0.0.1:%1").arg(port));
        }
        composer_->setRelayDeadlineMs(300);
        QVERIFY(composer_->rebuild());
        QString message;
        try {
            composer_->send();
        } catch (const std::exception& e) {
            message = QString::fromStdString(e.what());
        }
        QVERIFY2(message.contains(reason), qPrintable(message));
        QVERIFY(f_->folder.logLines().isEmpty());
        QVERIFY(port_->statuses.isEmpty());
        QCOMPARE(port_->busyDepth, 0);
    }

    void plainTextBody_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("br and blanks") << "a   b<br>c\n d" << QStringLiteral("a b\r\nc d\r\n");
        QTest::newRow("entities") << "&lt;b&gt; &amp; &eacute;&#233;&#xE9; &euro; &bogus;"
                                  << QString::fromUtf8("<b> & \u00e9\u00e9\u00e9 \u20ac &bogus;\r\n");
        // The number conversion stops at a NUL: what follows it is no part of a reference.
        QTest::newRow("NUL inside a number reference") << QStringLiteral("&#2") + QChar(0) + QStringLiteral("<b>x</b>;")
                                                       << QStringLiteral("&#2") + QChar(0) + QStringLiteral("x;\r\n");
        QTest::newRow("head, style, comments")
            << "<head><style>p{}</style></head><!-- x <p>y</p> --><p>z</p>" << QStringLiteral("z\r\n");
        QTest::newRow("table cells") << "<table><tr><td>A</td> <td>1</td></tr><tr><td>B</td><td>2</td></tr></table>"
                                     << QStringLiteral("A\t1\r\nB\t2\r\n");
        QTest::newRow("pre-line keeps breaks")
            << "<div style=\"white-space:pre-line\">l1\nl2</div>after" << QStringLiteral("l1\r\nl2\r\nafter\r\n");
        QTest::newRow("a lone <") << "1 < 2" << QStringLiteral("1 < 2\r\n");
        QTest::newRow("empty") << "" << QStringLiteral("");
    }

    void plainTextBody()
    {
        QFETCH(QString, html);
        QFETCH(QString, text);
        QCOMPARE(HtmlToPlainText(html), text);
    }

  private:
    void useRelay(const QString& host)
    {
        f_->folder.writeFile(QStringLiteral("cnfg/service.ini"), "[relay]\nhost=" + host.toUtf8() + "\n");
        service_ = std::make_unique<ServiceSettings>(ServiceSettings::load(f_->folder.root()));
        composer_ = std::make_unique<EmailComposer>(f_->data, *port_, *service_, f_->folder.root());
        composer_->setOrderSource([this]() -> std::optional<QVariantMap> {
            return haveOrder_ ? std::optional<QVariantMap>(order_) : std::nullopt;
        });
    }

    void setSender(const QVariant& from, bool plainText = false)
    {
        f_->exec(QStringLiteral("UPDATE Email SET \"From\" = ?, Plaintext = ?"), {from, plainText ? 1 : 0});
    }

    std::unique_ptr<EmailFixture> f_;
    std::unique_ptr<RelayServer> relay_;
    std::unique_ptr<RecordingUserPort> port_;
    std::unique_ptr<ServiceSettings> service_;
    std::unique_ptr<EmailComposer> composer_;
    QVariantMap order_;
    bool haveOrder_ = true;
};

QTEST_GUILESS_MAIN(EmailComposerTest)
#include "tst_EmailComposer.moc"
