// Asks the running brisqual-probe.exe for its pen and memory counts and
// prints them as "name=value" lines; exits 1 when no window answers.
#include "tests/wine/probe/probe.h"

#include <stdio.h>

int main()
{
    HWND window = FindWindowA("hobrin", NULL);
    if (!window) {
        fprintf(stderr, "probe_query: no window of class hobrin\n");
        return 1;
    }
    static const struct {
        ProbeQuery query;
        const char *name;
    } queries[] = {
        {ProbeLivePens, "live_pens"},
        {ProbePensCreated, "pens_created"},
        {ProbePrivateKiB, "private_kib"},
        {ProbeGdiObjects, "gdi_objects"},
    };
    for (const auto &q : queries) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(window, ProbeMessage, q.query, 0, SMTO_ABORTIFHUNG, 5000, &answer)) {
            fprintf(stderr, "probe_query: the window did not answer\n");
            return 1;
        }
        printf("%s=%ld\n", q.name, (long)answer);
    }
    return 0;
}
