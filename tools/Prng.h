#pragma once
// The generator's own pseudo-random numbers: xoshiro256** seeded through
// splitmix64. Every draw is computed here with plain integer and IEEE
// arithmetic, never with the standard library's distributions (their output
// differs between library versions), so a seed always gives the same data.

#include <cmath>
#include <cstdint>
#include <vector>

namespace tq::tools {

class Prng final {
public:
    explicit Prng(std::uint64_t seed)
    {
        for (auto& s : m_s) {
            seed += 0x9E3779B97F4A7C15ULL;
            std::uint64_t z = seed;
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
            s = z ^ (z >> 31);
        }
    }

    std::uint64_t next()
    {
        const std::uint64_t result = rotl(m_s[1] * 5, 7) * 9;
        const std::uint64_t t = m_s[1] << 17;
        m_s[2] ^= m_s[0];
        m_s[3] ^= m_s[1];
        m_s[1] ^= m_s[2];
        m_s[0] ^= m_s[3];
        m_s[2] ^= t;
        m_s[3] = rotl(m_s[3], 45);
        return result;
    }

    // Uniform in [0, 1).
    double uniform() { return double(next() >> 11) * 0x1.0p-53; }

    // Uniform integer in [lo, hi] (inclusive); lo <= hi.
    int between(int lo, int hi)
    {
        const std::uint64_t span = std::uint64_t(std::int64_t(hi) - lo + 1);
        return lo + int(next() % span);
    }

    bool chance(double p) { return uniform() < p; }

    // Standard normal by the polar method (no trigonometry).
    double normal()
    {
        if (m_haveSpare) {
            m_haveSpare = false;
            return m_spare;
        }
        double u = 0, v = 0, s = 0;
        do {
            u = 2 * uniform() - 1;
            v = 2 * uniform() - 1;
            s = u * u + v * v;
        } while (s >= 1 || s == 0);
        const double f = std::sqrt(-2 * std::log(s) / s);
        m_spare = v * f;
        m_haveSpare = true;
        return u * f;
    }

    double normal(double mean, double sd) { return mean + sd * normal(); }

    // Standard Gumbel variate (for Plackett-Luce orderings).
    double gumbel()
    {
        double u = uniform();
        if (u <= 0)
            u = 0x1.0p-53;
        return -std::log(-std::log(u));
    }

    // Index drawn with the given non-negative weights (not all zero).
    std::size_t weighted(const std::vector<double>& weights)
    {
        double total = 0;
        for (double w : weights)
            total += w;
        double r = uniform() * total;
        for (std::size_t i = 0; i < weights.size(); ++i) {
            r -= weights[i];
            if (r < 0)
                return i;
        }
        return weights.size() - 1;
    }

private:
    static std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t m_s[4] = {};
    double m_spare = 0;
    bool m_haveSpare = false;
};

} // namespace tq::tools
