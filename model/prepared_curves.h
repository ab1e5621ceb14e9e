// The prepared curves, each a link's fragment (without '#'): the one home
// of the page's preset buttons (the page's build reads this file) and of
// what an address with no '#' opens, in the page and the replay tool alike.
// Each is brisqual-replay --link of tests/data/events/pulse/preset-*.events:
// a smooth hill (also the first screen, where the red curve would otherwise
// lie hidden under the others), a wave of hills, the whole curve raised (a
// constant), a plateau, and a raised and a lowered plateau that balance out.
#pragma once

const char *const PreparedCurves[] = {
    "p1.19d400.250m400.150u400.150",
    "p1.14d74.250m74.170u74.170d224.250m224.330u224.330d374.250m374.170u374.170d524.250m524.330u524.330",
    "p3.19d300.250m300.190u300.190",
    "d300.250m300.150u300.150",
    "d150.250m150.170u150.170d450.250m450.330u450.330",
};
