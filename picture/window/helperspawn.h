#pragma once

// Starting a decoder helper so that, whatever code ends up running in it,
// it meets nothing of the user's: in user, PID, network, mount, IPC and UTS
// namespaces of its own where the system allows them (Debian's default),
// as an ordinary child where it does not; either way with /dev/null for its
// standard input and output, outside the window's session (no terminal to
// type into), dying with the window, and with an environment of its own.

#include <QByteArray>
#include <QList>

#include <sys/types.h>

namespace picture {

struct HelperStart
{
    QByteArray program;
    QList<QByteArray> arguments;   // after the program's own name
    QList<QByteArray> environment; // NAME=value, the whole of it
    int errors = -1;               // its standard error; -1: /dev/null
    QList<int> descriptors;        // become its descriptors 3, 4 ...
    bool namespaces = true;        // false: never in namespaces of its own
};

struct StartedHelper
{
    pid_t pid = -1;             // -1: it could not be started
    int pidfd = -1;             // tells its end; -1 where the system has none
    bool ownNamespaces = false; // it runs in namespaces of its own
};

// Starts the helper; waits for nothing but the start itself. The caller's
// descriptors stay the caller's.
StartedHelper startHelper(const HelperStart &start);

// The environment a helper gets: what the libraries need to work as they
// do in the window (a UTF-8 locale), what makes the decoders' messages
// heard when asked for, and a sanitizer's settings; nothing else of the
// user's.
QList<QByteArray> helperEnvironment();

} // namespace picture
