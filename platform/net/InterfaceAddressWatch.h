// InterfaceAddressWatch: tells when an IPv4 address is added to or removed from any interface,
// so a window showing this computer's address can refresh it. A routing netlink socket joined
// to the IPv4 address group, read through a QSocketNotifier on the owner's event loop.
// GUI thread (or any thread with a Qt event loop). What can fail: the socket cannot be opened
// (IsWatching false; Changed never comes). The opening is replaceable so tests can make it fail.
#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

class InterfaceAddressWatch : public QObject {
    Q_OBJECT
public:
    explicit InterfaceAddressWatch(QObject* parent = nullptr);
    ~InterfaceAddressWatch() override;

    bool IsWatching() const { return mSocket >= 0; }

    // Opens the bound, non-blocking netlink socket; -1 when it can't. An empty opener restores
    // the system's. Only while no watch is being made (tests, at set-up).
    using SocketOpener = std::function<int()>;
    static void SetSocketOpener(SocketOpener opener);

signals:
    // One or more IPv4 addresses changed since the last signal.
    void Changed();

private:
    void Drain();

    int mSocket = -1;
    QSocketNotifier* mNotifier = nullptr;
};
