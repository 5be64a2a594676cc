#include "app/SingleInstance.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>

namespace tolvane {

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent)
{
}

SingleInstance::~SingleInstance()
{
    if (m_registered) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterObject(objectPath);
        bus.unregisterService(serviceName);
    }
}

SingleInstance::Role SingleInstance::start(const QList<QUrl> &fileURLs)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Role::alone;

    const auto reply = bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
        if (!bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots)) {
            bus.unregisterService(serviceName);
            return Role::alone;
        }
        m_registered = true;
        return Role::primary;
    }

    // Encoded URIs carry names that are not UTF-8 byte-exact.
    QStringList uris;
    for (const QUrl &url : fileURLs)
        uris.append(url.toString(QUrl::FullyEncoded));
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, QStringLiteral("OpenFiles"));
    call << uris;
    // No window exists yet, so a short blocking wait costs the user nothing.
    const QDBusMessage answer = bus.call(call, QDBus::Block, 5000);
    return answer.type() == QDBusMessage::ReplyMessage ? Role::handedOver : Role::alone;
}

void SingleInstance::OpenFiles(const QStringList &uris)
{
    QList<QUrl> files;
    for (const QString &uri : uris) {
        const QUrl url(uri, QUrl::StrictMode);
        if (url.isValid() && url.isLocalFile())
            files.append(url);
    }
    if (!files.isEmpty())
        Q_EMIT filesHandedOver(files);
}

} // namespace tolvane
