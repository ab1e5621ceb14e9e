#!/usr/bin/python3
"""Starts Orca for one screen-reader case, as /usr/bin/orca does, on the
case's own X display and buses, beside any other Orca on the machine.

/usr/bin/orca refuses to start while any Orca of the user runs, and with
--replace it kills them all with SIGKILL, whatever their display or session:
a developer's own screen reader, or another test run's. This one skips that
search, and goes by a process name of its own, so that no other Orca's
search finds it either. Settings, speech and everything else are Orca's own.

usage: orca_alone.py [orca's options]
"""
import runpy
import sys

ORCA = "/usr/bin/orca"

launcher = runpy.run_path(ORCA, run_name="orca_alone")
main = launcher["main"]
names = main.__globals__
names["otherOrcas"] = lambda: []
set_name = names["setProcessName"]
names["setProcessName"] = lambda name: set_name("brisqual-orca")
sys.argv[0] = ORCA
sys.exit(main())
