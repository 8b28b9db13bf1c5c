// The angle of a vector at extended precision, by the project's own code so
// that every build gets the same bits (see extended_trig.h for why the C
// libraries' functions are avoided).
#pragma once

namespace q527 {

// The angle of (x, y) in radians, in [-π, π], with the signs and special
// values of the C library's atan2: ±0 for y = ±0 and x > 0 (or +0), ±π for
// x < 0 (or -0), ±π/2 on the y axis, the diagonals' angles for two infinite
// arguments, NaN when either argument is NaN. Within about two units in the
// last place of a long double; only + − × ÷ are used.
long double Atan2Extended(long double y, long double x);

}  // namespace q527
