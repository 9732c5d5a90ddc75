#pragma once
// The evaluation's weights, fitted by bench/fit_evaluation on positions of
// games the computer played against itself.
#include "computer/evaluation.h"

namespace korvalo::strong {

inline constexpr Weights fittedWeights{{
    {501, -40, 55, 60, 73, 34, 46, 48, 9, 46, 48, 49, 16, 8, 48, 9, -203, 179, -18, -76, -38, -67, -88},
    {331, 128, 25, 3, 15, 21, 3, -4, -8, 19, 23, 0, -12, -21, 12, 20, -124, -13, 4, -9, -29, -57, -67},
    {206, 144, 41, 24, 6, 18, 20, 0, -2, 39, 29, 3, 4, -22, -11, 25, 0, -47, -15, 6, -31, -68, -81},
    {146, 162, 53, 46, 32, 52, 61, 35, 34, 40, 36, 39, 28, 13, -7, 38, -44, -77, -48, 2, -65, -121, -146},
}};

}  // namespace korvalo::strong
