// The soak test's window on a running brisqual-probe.exe: a private message
// to the main window answers with counts watched from outside for leaks.
#pragma once

#include <windows.h>

const UINT ProbeMessage = WM_APP + 0x51;

enum ProbeQuery {
    ProbeLivePens = 0,      // pens created by the program and not yet deleted
    ProbePensCreated = 1,   // all pens the program ever created
    ProbePrivateKiB = 2,    // the process's private memory, in KiB
    ProbeGdiObjects = 3,    // GDI objects as the system counts them (0 where unknown)
};
