// Test builds only (brisqual-probe.exe): the main window answers a private
// message with counts a soak test watches from outside for leaks.
#pragma once

#include <windows.h>

const UINT ProbeMessage = WM_APP + 0x51;

enum ProbeQuery {
    ProbeLivePens = 0,       // pens created by the painter and not yet deleted
    ProbePensCreated = 1,    // all pens the painter ever created
    ProbePrivateKiB = 2,     // the process's private memory, in KiB
    ProbeGdiObjects = 3,     // GDI objects as the system counts them (0 where unknown)
};

LRESULT AnswerProbe(WPARAM query);
