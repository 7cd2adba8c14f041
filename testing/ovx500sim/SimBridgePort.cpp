// The bridge port of the library build the tests load: every device-file request and register
// access goes to the simulated card.
#include "../../cardlib/BridgePort.h"
#include "SimCard.h"

namespace ovx {
namespace {

const BridgePort kSimPort = {sim::DriverOpen, sim::DriverRequest, sim::DriverClose, sim::MmioRead32,
                             sim::MmioWrite32};

}  // namespace

const BridgePort& Bridge()
{
    return kSimPort;
}

}  // namespace ovx
