#include "platform/GUICOMClient.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::CoGUICOMClient;
using platform::IGUICOMClient;

struct Received {
    std::string nameEngine, uid;
    int32_t localID;
    std::string mid, mString, mType;
    bool operator==(const Received&) const = default;
};

class RecordingSink : public platform::IGUIClientAdvise {
public:
    void OnClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                         const std::string& mid, const std::string& mString, const std::string& mType) override
    {
        messages.push_back({nameEngine, uid, localID, mid, mString, mType});
    }
    std::vector<Received> messages;
};

// Runs the event loop until done() holds; the time-out is a safety net only.
bool WaitFor(const std::function<bool()>& done, int ms = 20000)
{
    const QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return true;
}

class ClientLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QDBusConnection::sessionBus().isConnected())
            GTEST_SKIP() << "No D-Bus session bus (run under dbus-run-session; ctest does when it is installed)";
    }
};

// The bus library keeps the first address it read for the life of a process,
// so the check runs in a process of its own.
TEST(ClientLinkWithoutBus, CannotBeCreated)
{
    QProcess peer;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/e3-no-bus"));
    peer.setProcessEnvironment(env);
    peer.start(QStringLiteral(CLIENTLINK_PEER), {});
    ASSERT_TRUE(peer.waitForFinished(20000));
    EXPECT_EQ(peer.exitCode(), 2);
    EXPECT_NE(peer.readAllStandardError().indexOf("No session bus"), -1);
}

TEST_F(ClientLink, BroadcastReachesEveryRegisteredSinkItsOwnIncluded)
{
    auto a = CoGUICOMClient::Create();
    auto b = CoGUICOMClient::Create();
    auto sinkA = std::make_shared<RecordingSink>();
    auto sinkB = std::make_shared<RecordingSink>();
    const int32_t cookieA = a->RegisterClient("EngA", "", sinkA);
    const int32_t cookieB = b->RegisterClient("EngB", "", sinkB);
    EXPECT_NE(cookieA, cookieB);
    EXPECT_GE(cookieA, 0);
    EXPECT_THROW(a->RegisterClient("EngA", "", sinkA), platform::EClientLinkError);

    // Texts beyond ASCII and fields that are empty travel as they are.
    const Received hello {"EngB", "ü-1", cookieB, "", "Grüße", "1"};
    b->BroadcastMessage(hello.nameEngine, hello.uid, hello.localID, hello.mid, hello.mString, hello.mType);
    ASSERT_TRUE(WaitFor([&] { return !sinkA->messages.empty() && !sinkB->messages.empty(); }));
    EXPECT_EQ(sinkA->messages.front(), hello);
    EXPECT_EQ(sinkB->messages.front(), hello);

    EXPECT_THROW(a->UnregisterClient(cookieB), platform::EClientLinkError);
    a->UnregisterClient(cookieA);
    EXPECT_THROW(a->UnregisterClient(cookieA), platform::EClientLinkError);
    // A link may register again after it unregistered.
    EXPECT_EQ(a->RegisterClient("EngA", "", sinkA), cookieA);
}

TEST_F(ClientLink, ExchangesMessagesWithAnotherProcess)
{
    auto link = CoGUICOMClient::Create();
    auto sink = std::make_shared<RecordingSink>();
    const int32_t cookie = link->RegisterClient("Eng", "", sink);

    QProcess peer;
    peer.setProgram(QStringLiteral(CLIENTLINK_PEER));
    peer.start();
    ASSERT_TRUE(peer.waitForStarted(20000));
    std::string out;
    auto readOut = [&] {
        out += peer.readAllStandardOutput().toStdString();
        return out;
    };
    ASSERT_TRUE(WaitFor([&] { return readOut().find('\n') != std::string::npos || peer.state() == QProcess::NotRunning; }))
        << out;
    ASSERT_EQ(out.rfind("READY ", 0), 0u) << out << peer.readAllStandardError().toStdString();
    const int32_t peerCookie = std::stoi(out.substr(6));
    EXPECT_NE(peerCookie, cookie);

    link->BroadcastMessage("Eng", "u1", cookie, "m1", "Hello", "1");
    link->BroadcastMessage("", "", cookie, "", "Close_PDF_Preview", "0");
    const Received reply {"PeerEngine", "peer-uid", peerCookie, "m2", "Reply", "1"};
    ASSERT_TRUE(WaitFor([&] {
        return std::find(sink->messages.begin(), sink->messages.end(), reply) != sink->messages.end();
    }));
    ASSERT_TRUE(WaitFor([&] {
        readOut();
        return peer.state() == QProcess::NotRunning;
    }));
    readOut();
    EXPECT_EQ(peer.exitCode(), 0);
    const std::string expected = "MSG Eng|u1|" + std::to_string(cookie) + "|m1|Hello|1\nMSG ||" +
                                 std::to_string(cookie) + "||Close_PDF_Preview|0\n";
    EXPECT_NE(out.find(expected), std::string::npos) << out;
}

TEST_F(ClientLink, ReceivesWhatDbusSendBroadcasts)
{
    const QString dbusSend = QStandardPaths::findExecutable(QStringLiteral("dbus-send"));
    if (dbusSend.isEmpty())
        GTEST_SKIP() << "dbus-send is not installed (Debian package dbus-bin)";
    auto link = CoGUICOMClient::Create();
    auto sink = std::make_shared<RecordingSink>();
    link->RegisterClient("Eng", "", sink);
    QProcess send;
    send.start(dbusSend, {QStringLiteral("--session"), QStringLiteral("--type=signal"),
                          QString::fromLatin1(platform::kClientLinkPath),
                          QStringLiteral("%1.%2").arg(QLatin1String(platform::kClientLinkInterface),
                                                      QLatin1String(platform::kClientLinkMember)),
                          QStringLiteral("string:Other"), QStringLiteral("string:uid"), QStringLiteral("int32:42"),
                          QStringLiteral("string:mid"), QStringLiteral("string:Close_PDF_Preview"),
                          QStringLiteral("string:0")});
    ASSERT_TRUE(send.waitForFinished(20000));
    ASSERT_EQ(send.exitCode(), 0) << send.readAllStandardError().toStdString();
    ASSERT_TRUE(WaitFor([&] { return !sink->messages.empty(); }));
    EXPECT_EQ(sink->messages.front(), (Received {"Other", "uid", 42, "mid", "Close_PDF_Preview", "0"}));
}

} // namespace
