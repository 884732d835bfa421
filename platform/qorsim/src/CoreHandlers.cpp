// The list of handler sets the simulator starts with. Each subsystem's
// handlers live in a file of their own and add one line here.
#include "CoreHandlers.h"

namespace qorsim {

void registerCoreHandlers(Simulator& sim) {
    registerAdapterModel(sim);
    registerAdapterFibs(sim);
    registerTaskRequests(sim);
    registerAdapterContainerCommands(sim);
    registerConfigurationCommands(sim);
    registerSoftErrorCommands(sim);
    registerDiskSetCommands(sim);
    registerContainerIdentity(sim);
    registerContainerCreation(sim);
    registerContainerDestroy(sim);
    registerDeviceCommands(sim);
    registerMaintenanceCommands(sim);
    registerParameterCommands(sim);
    registerPauseIo(sim);
    registerCacheCommands(sim);
    registerOperationCommands(sim);
    registerMirrorCommands(sim);
    registerReshapeCommands(sim);
}

} // namespace qorsim
