#include "platform/GUICOMClient.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QString>

#include <atomic>

namespace platform {

namespace {

// Receives the broadcast signal for one registration.
class LinkReceiver : public QObject {
    Q_OBJECT
public:
    explicit LinkReceiver(std::shared_ptr<IGUIClientAdvise> sink) : sink_(std::move(sink)) {}

public slots:
    void onMessage(const QString& nameEngine, const QString& uid, int localID, const QString& mid,
                   const QString& mString, const QString& mType)
    {
        // Nothing of a sink's failure may cross into the bus library.
        try {
            sink_->OnClientMessage(nameEngine.toStdString(), uid.toStdString(), localID, mid.toStdString(),
                                   mString.toStdString(), mType.toStdString());
        } catch (...) {
        }
    }

private:
    std::shared_ptr<IGUIClientAdvise> sink_;
};

class DBusClientLink final : public IGUICOMClient {
public:
    DBusClientLink()
        : name_(QStringLiteral("e3-client-link-%1").arg(++counter_))
        , connection_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, name_))
    {
        if (!connection_.isConnected()) {
            const std::string why = connection_.lastError().message().toStdString();
            QDBusConnection::disconnectFromBus(name_);
            throw EClientLinkError("No session bus for the link between clients" + (why.empty() ? "" : ": " + why));
        }
        // The unique name is ":1.N"; N is unique for the life of the bus.
        const QString unique = connection_.baseService();
        bool ok = false;
        const qlonglong number = unique.mid(unique.lastIndexOf(u'.') + 1).toLongLong(&ok);
        if (!ok || number < 0 || number > INT32_MAX) {
            QDBusConnection::disconnectFromBus(name_);
            throw EClientLinkError("The session bus gave an unexpected connection name: " + unique.toStdString());
        }
        number_ = static_cast<int32_t>(number);
    }

    ~DBusClientLink() override
    {
        Disconnect();
        QDBusConnection::disconnectFromBus(name_);
    }

    int32_t RegisterClient(const std::string&, const std::string&, std::shared_ptr<IGUIClientAdvise> sink) override
    {
        if (!sink)
            throw EClientLinkError("No sink to register");
        if (receiver_)
            throw EClientLinkError("The link holds a registration already");
        auto receiver = std::make_unique<LinkReceiver>(std::move(sink));
        if (!connection_.connect(QString(), QString::fromLatin1(kClientLinkPath),
                                 QString::fromLatin1(kClientLinkInterface), QString::fromLatin1(kClientLinkMember),
                                 receiver.get(), SLOT(onMessage(QString, QString, int, QString, QString, QString))))
            throw EClientLinkError("Cannot listen for client messages: " +
                                   connection_.lastError().message().toStdString());
        receiver_ = std::move(receiver);
        // The bus takes a connection's messages in order: once it answered this,
        // it has our listening rule too, so no broadcast sent after the
        // registration returns is missed.
        connection_.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                        QStringLiteral("/org/freedesktop/DBus"),
                                                        QStringLiteral("org.freedesktop.DBus.Peer"),
                                                        QStringLiteral("Ping")),
                         QDBus::Block, 10000);
        return number_;
    }

    void BroadcastMessage(const std::string& nameEngine, const std::string& uid, int32_t localID,
                          const std::string& mid, const std::string& mString, const std::string& mType) override
    {
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kClientLinkPath),
                                                         QString::fromLatin1(kClientLinkInterface),
                                                         QString::fromLatin1(kClientLinkMember));
        signal << QString::fromStdString(nameEngine) << QString::fromStdString(uid) << localID
               << QString::fromStdString(mid) << QString::fromStdString(mString) << QString::fromStdString(mType);
        if (!connection_.send(signal))
            throw EClientLinkError("Cannot broadcast a client message: " +
                                   connection_.lastError().message().toStdString());
    }

    void UnregisterClient(int32_t cookie) override
    {
        if (!receiver_ || cookie != number_)
            throw EClientLinkError("Unknown registration " + std::to_string(cookie));
        Disconnect();
    }

private:
    void Disconnect()
    {
        if (!receiver_)
            return;
        connection_.disconnect(QString(), QString::fromLatin1(kClientLinkPath),
                               QString::fromLatin1(kClientLinkInterface), QString::fromLatin1(kClientLinkMember),
                               receiver_.get(), SLOT(onMessage(QString, QString, int, QString, QString, QString)));
        receiver_.reset();
    }

    static inline std::atomic<int> counter_ {0};
    QString name_;
    QDBusConnection connection_;
    int32_t number_ = -1;
    std::unique_ptr<LinkReceiver> receiver_;
};

} // namespace

std::unique_ptr<IGUICOMClient> CoGUICOMClient::Create()
{
    return std::make_unique<DBusClientLink>();
}

} // namespace platform

#include "GUICOMClient.moc"
