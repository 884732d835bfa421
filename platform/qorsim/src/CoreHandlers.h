#pragma once

#include "qorsim/Simulator.h"

namespace qorsim {

void registerAdapterModel(Simulator& sim); // JSON: the adapter records
void registerAdapterFibs(Simulator& sim);  // FIB 500, 700, 701, 703, 704
void registerTaskRequests(Simulator& sim); // FIB 700 requests 100..110
void registerAdapterContainerCommands(
    Simulator& sim);                  // container commands and SCSI bus information
void registerPauseIo(Simulator& sim); // PAUSE_IO, RELEASE_IO and their events

} // namespace qorsim
