#include "InterfaceAddressWatch.h"

#include <QSocketNotifier>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int OpenAddressSocket()
{
    const int fd = socket(AF_NETLINK, SOCK_RAW | SOCK_NONBLOCK | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0)
        return -1;
    sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = RTMGRP_IPV4_IFADDR;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

InterfaceAddressWatch::SocketOpener& Opener()
{
    static InterfaceAddressWatch::SocketOpener opener;
    return opener;
}

} // namespace

void InterfaceAddressWatch::SetSocketOpener(SocketOpener opener) { Opener() = std::move(opener); }

InterfaceAddressWatch::InterfaceAddressWatch(QObject* parent) : QObject(parent)
{
    const int fd = Opener() ? Opener()() : OpenAddressSocket();
    if (fd < 0)
        return;
    mSocket = fd;
    mNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(mNotifier, &QSocketNotifier::activated, this, &InterfaceAddressWatch::Drain);
}

InterfaceAddressWatch::~InterfaceAddressWatch()
{
    delete mNotifier;
    if (mSocket >= 0)
        close(mSocket);
}

void InterfaceAddressWatch::Drain()
{
    bool changed = false;
    char buffer[8192];
    for (;;) {
        const ssize_t count = recv(mSocket, buffer, sizeof buffer, 0);
        if (count <= 0)
            break;
        int left = int(count);
        for (auto* header = reinterpret_cast<nlmsghdr*>(buffer); NLMSG_OK(header, left);
             header = NLMSG_NEXT(header, left)) {
            if (header->nlmsg_type == RTM_NEWADDR || header->nlmsg_type == RTM_DELADDR)
                changed = true;
        }
    }
    if (changed)
        emit Changed();
}
