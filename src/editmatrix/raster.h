// Integer square roots shared by the disc primitive and the fast renderer's LED profiles.
#pragma once

#include <cmath>
#include <cstdint>

namespace vyr::raster {

// floor(sqrt(N)) for 0 <= N < 2^63.
inline std::int64_t ISqrt(std::int64_t N) {
    auto S = static_cast<std::int64_t>(std::sqrt(static_cast<double>(N)));
    while (S > 0 && S * S > N) {
        --S;
    }
    while ((S + 1) * (S + 1) <= N) {
        ++S;
    }
    return S;
}

// sqrt(N) rounded to the nearest integer (N an integer, so no tie can arise): m is the answer
// exactly when m^2 - m < N <= m^2 + m.
inline std::int64_t RoundSqrt(std::int64_t N) {
    const std::int64_t S = ISqrt(N);
    return N > S * S + S ? S + 1 : S;
}

}  // namespace vyr::raster
