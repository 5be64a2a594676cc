#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace tolvane {

/// One window per user session. The first process takes the name `serviceName` on the session bus
/// and serves one method taking file URLs; a later `tolvane FILE...` hands its files to it and exits.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.tolvane.Tolvane1")
public:
    static inline const QString serviceName = QStringLiteral("org.tolvane.Tolvane");
    static inline const QString objectPath = QStringLiteral("/org/tolvane/Tolvane");
    static inline const QString interfaceName = QStringLiteral("org.tolvane.Tolvane1");

    enum class Role {
        primary, ///< this process holds the name and receives later hand-overs
        handedOver, ///< another instance runs and took the files: exit 0
        alone, ///< no session bus, or the running instance did not answer: show our own window
    };

    explicit SingleInstance(QObject *parent = nullptr);
    ~SingleInstance() override;

    /// Claims the name, or hands `fileURLs` (absolute, as core's fileURL makes them) to the process
    /// that holds it. An empty list is handed over too, and the running window does nothing with it.
    Role start(const QList<QUrl> &fileURLs);

Q_SIGNALS:
    /// Files another process handed over; never emitted for an empty list.
    void filesHandedOver(const QList<QUrl> &fileURLs);

public Q_SLOTS:
    /// The method served on the bus: encoded file URIs from a later launch.
    Q_SCRIPTABLE void OpenFiles(const QStringList &uris);

private:
    bool m_registered = false;
};

} // namespace tolvane
