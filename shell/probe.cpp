// Answers the soak test's queries about the running program.
#include "probe.h"

#include "../render/gdi_surface.h"

#include <psapi.h>

LRESULT AnswerProbe(WPARAM query)
{
    switch (query) {
    case ProbeLivePens:
        return GdiSurface::LivePens;
    case ProbePensCreated:
        return GdiSurface::PensCreated;
    case ProbePrivateKiB: {
        PROCESS_MEMORY_COUNTERS counters;
        counters.cb = sizeof counters;
        if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
            return -1;
        return (LRESULT)(counters.PagefileUsage / 1024);
    }
    case ProbeGdiObjects:
        return (LRESULT)GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    }
    return -1;
}
