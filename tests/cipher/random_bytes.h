// Seeded random bytes for the cipher tests, so every run sees the same data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace qor::test {

inline std::vector<std::uint8_t> RandomBytes(std::size_t n, std::mt19937& rng) {
  std::vector<std::uint8_t> out(n);
  for (auto& b : out) b = static_cast<std::uint8_t>(rng());
  return out;
}

}  // namespace qor::test
