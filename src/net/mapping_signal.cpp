// SIGTERM, SIGHUP and SIGINT in a program without a window: the mapping is
// removed from the event loop, then the signal ends the program as it would
// have.
#include "net/port_mapping.h"
#include "process/termination.h"

namespace korvalo::net {

void removeOnTerminationSignal(PortMapping& mapping)
{
    process::beforeEndBySignal(&mapping, [&mapping] { mapping.remove(); });
    process::onTerminationSignal(&mapping, process::endBySignal);
}

}  // namespace korvalo::net
