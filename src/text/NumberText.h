#pragma once

#include <string>

namespace tolmarin {

// The one number formatter of every text shown to the operator, printed or written by a
// tool. It never reads the C or Qt locale: a German desktop shows "9.996ms" like any
// other, because the numeric fields read the point back and printed tables must agree
// with the screen.

// "%d".
std::string IntText(long long value);
// "%.Nf" (decimals 0 to 17): rounded as printf rounds, "-0.0" for small negatives alike.
std::string FixedText(double value, int decimals);

}  // namespace tolmarin
