// SUMO live source: finding and shutting down the TCP socket the client library opened.
#pragma once

/*!
 * SUMO's client library does not hand out its socket, but a connection to a SUMO that
 * hangs must be breakable from outside. This finds the process's newest TCP socket
 * connected to a local or remote port (Linux: /proc/self/fd) and shuts it down.
 */
namespace SocketFinder {
//! The highest-numbered socket descriptor whose peer port is \a port; -1 when none.
int connectedTo(int port);
//! shutdown(2) both directions: blocked reads and writes on it return at once.
void shutDown(int fd);
//! A TCP port on the loopback interface that was free a moment ago; 0 when none was found.
int freeLocalPort();
}
