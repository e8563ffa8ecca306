#include "portmap.h"

// Placeholder until the port mapping lands.
namespace mt {
QString PortLinkFolder() { return {}; }
QString DeviceForPort(int) { return {}; }
QStringList SystemPortsInNameOrder() { return {}; }
}  // namespace mt
