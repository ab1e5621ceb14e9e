// The prepared curves, each a link's fragment (without '#'): the one home
// of the page's preset buttons (the page's build reads this file) and of
// what an address with no '#' opens, in the page and the replay tool alike.
// Each is brisqual-replay --link of tests/data/events/pulse/preset-*.events:
// a smooth hill (also the first screen, where the red curve would otherwise
// lie hidden under the others), a wave of hills, the whole curve raised (a
// constant), a plateau, and a raised and a lowered plateau that balance out.
// The curves a prediction lesson's "Try another" gives, each over an
// interval where the mean and what students mistake for it (the ends' and
// the extremes' averages, f at the middle, the secant's slope) lie apart,
// each at least two and a half judging tolerances from every other, so
// that the feedback can tell every mistake.
#pragma once

const char *const PreparedCurves[] = {
    "p1.19d400.250m400.150u400.150",
    "p1.14d74.250m74.170u74.170d224.250m224.330u224.330d374.250m374.170u374.170d524.250m524.330u524.330",
    "p3.19d300.250m300.190u300.190",
    "d300.250m300.150u300.150",
    "d150.250m150.170u150.170d450.250m450.330u450.330",
};

const char *const PredictCurves[] = {
    "p0.40d222.250m222.150u222.150p2.40d46.250m46.340u46.340i81.256",
    "p2.40d424.250m424.340u424.340p1.40d348.250m348.150u348.150i84.191",
    "p1.50d290.250m290.320u290.320i72.248",
    "p0.20d400.250m400.340u400.340p2.30d114.250m114.210u114.210p1.40d58.250m58.150u58.150i113.299",
};
