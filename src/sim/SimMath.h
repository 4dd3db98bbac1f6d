#pragma once

// The float functions the simulation needs beyond + - * / and sqrt, computed
// with those alone, so that every build gets the same bits: each C library
// rounds its own sinf, cosf and atan2f a little differently, and one ulp of
// aim is a different bullet a few hundred updates later. Each result is
// worked out in double and rounded once to float, so it is as close to the
// true value as the C library's own. sqrt and fmod are exact by IEEE 754 and
// need no stand-in.
namespace sim {

float sin(float x);
float cos(float x);
// The angle of (x, y) from the positive x axis, in radians, as std::atan2.
float atan2(float y, float x);
// sqrt(x² + y²) without the C library's hypot, which is not rounded alike everywhere.
float hypot(float x, float y);

}  // namespace sim
