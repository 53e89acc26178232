// A second client process on the link: registers, says "READY <cookie>",
// prints every message it receives as one line of fields joined by "|", and
// when it receives "Close_PDF_Preview" answers with the message "Reply" and ends.
#include "platform/GUICOMClient.h"

#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

class PrintingSink : public platform::IGUIClientAdvise {
public:
    void OnClientMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                         const std::string& mid, const std::string& mString, const std::string& mType) override
    {
        std::printf("MSG %s|%s|%d|%s|%s|%s\n", nameEngine.c_str(), uid.c_str(), localID, mid.c_str(),
                    mString.c_str(), mType.c_str());
        std::fflush(stdout);
        if (mString == "Close_PDF_Preview" && onClose)
            onClose();
    }
    std::function<void()> onClose;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    std::unique_ptr<platform::IGUICOMClient> link;
    try {
        link = platform::CoGUICOMClient::Create();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    auto sink = std::make_shared<PrintingSink>();
    const int32_t cookie = link->RegisterClient("PeerEngine", "", sink);
    sink->onClose = [&] {
        link->BroadcastMessage("PeerEngine", "peer-uid", cookie, "m2", "Reply", "1");
        link->UnregisterClient(cookie);
        QTimer::singleShot(0, &app, [&] { app.exit(0); });
    };
    std::printf("READY %d\n", cookie);
    std::fflush(stdout);
    // A safety net only: the test ends the peer long before.
    QTimer::singleShot(60000, &app, [&] { app.exit(3); });
    return app.exec();
}
