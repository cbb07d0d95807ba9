#pragma once

#include <array>
#include <cstddef>

namespace korvanedsp
{

// The first 2048 primes. The reverb's delay lengths are primes (in samples,
// whatever the sample rate) so that no two lines share a common period.
// The table is built by the compiler: every instance reads the same constant
// data, and nothing needs filling before the first block.
inline constexpr int kPrimeCount = 2048;

namespace detail
{
constexpr std::array<int, kPrimeCount> makePrimes()
{
    std::array<int, kPrimeCount> primes {};
    int found = 0;
    for (int candidate = 2; found < kPrimeCount; ++candidate)
    {
        bool isPrime = true;
        for (int k = 0;
             k < found && primes[static_cast<std::size_t>(k)] * primes[static_cast<std::size_t>(k)] <= candidate; ++k)
            if (candidate % primes[static_cast<std::size_t>(k)] == 0)
            {
                isPrime = false;
                break;
            }
        if (isPrime)
            primes[static_cast<std::size_t>(found++)] = candidate;
    }
    return primes;
}
} // namespace detail

inline constexpr std::array<int, kPrimeCount> kPrimes = detail::makePrimes();

static_assert(kPrimes[0] == 2 && kPrimes[1] == 3 && kPrimes[2] == 5 && kPrimes[kPrimeCount - 1] == 17863);

} // namespace korvanedsp
