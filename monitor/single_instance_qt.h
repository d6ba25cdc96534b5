#pragma once

#include <QObject>
#include <QString>

namespace monitor {

// The monitor's single-instance rule: the first monitor of a user takes the
// lock and listens on a local socket; a later start finds the lock taken,
// tells the first one to come forward and ends. Linux: a Unix socket in the
// abstract namespace, watched by the event loop. Windows: a QLocalServer.
//
// The name is "varnok-" + the user name, or VARNOK_INSTANCE when set (tests
// on a shared machine run monitors of their own).
QString InstanceName();

class InstanceChannel : public QObject {
    Q_OBJECT

public:
    explicit InstanceChannel(QString name, QObject* parent = nullptr);
    ~InstanceChannel() override;

    // Takes the lock and listens. False when another monitor holds it.
    bool BecomeFirst();

    // Asks the monitor that holds the lock to raise its window. False when
    // none answers within a few seconds.
    static bool ActivateFirst(const QString& name);

signals:
    // A later start asked for the window.
    void ActivationRequested();

private:
    void OnConnection();

    QString m_name;
    QObject* m_listener = nullptr; // what watches for later starts
    qintptr m_socket = -1;         // the listening socket, where the platform gives one
};

} // namespace monitor
