// SUMO live source: the client library's socket, found by its peer port.
#include "socketfinder.h"

#include <QDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace SocketFinder {

int connectedTo(int port)
{
    int found = -1;
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    for (const QString &name : fds) {
        bool ok = false;
        const int fd = name.toInt(&ok);
        if (!ok || fd <= found)
            continue;
        sockaddr_storage peer = {};
        socklen_t len = sizeof(peer);
        if (getpeername(fd, reinterpret_cast<sockaddr *>(&peer), &len) != 0)
            continue;
        int peerPort = -1;
        if (peer.ss_family == AF_INET)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in *>(&peer)->sin_port);
        else if (peer.ss_family == AF_INET6)
            peerPort = ntohs(reinterpret_cast<const sockaddr_in6 *>(&peer)->sin6_port);
        if (peerPort == port)
            found = fd;
    }
    return found;
}

void shutDown(int fd)
{
    if (fd >= 0)
        ::shutdown(fd, SHUT_RDWR);
}

int freeLocalPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof(addr);
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&addr), sizeof(addr)) == 0
        && ::getsockname(s, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
        port = ntohs(addr.sin_port);
    ::close(s);
    return port;
}

} // namespace SocketFinder
