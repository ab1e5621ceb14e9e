// The lesson's challenges: a shape the student is asked to draw, which the
// curve over [a, b] then meets or not, judged here so that every front end
// agrees on when one is done.
#pragma once

#include "model/curve.h"
#include "model/theorem.h"

// The page and the replay tool use these numbers.
enum class Challenge { MeanHalf = 1, ThreePoints, MeanZeroNotFlat, PointInFirstThird, BothAreasOne };
enum { ChallengeCount = 5 };

// True when the curve and its theorem over [a, b] meet the challenge; false
// for a number that is none.
bool ChallengeMet(Challenge challenge, const CurveState &curve, const TheoremState &theorem);
