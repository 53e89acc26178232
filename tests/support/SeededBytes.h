#pragma once
// Reproducible arbitrary bytes for test files: the same seed gives the same bytes.
#include <cstddef>
#include <random>
#include <string>

namespace e3test {

inline std::string SeededBytes(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s)
        c = static_cast<char>(gen() & 0xFF);
    return s;
}

} // namespace e3test
