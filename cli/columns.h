#pragma once

#include <algorithm>
#include <array>
#include <ostream>
#include <string>
#include <vector>

namespace tessimor::cli {

// Rows of N cells in columns, each as wide as its widest cell and followed by its gap; the last
// one unpadded, so no line ends in spaces.
template <std::size_t N>
void PrintColumns(const std::vector<std::array<std::string, N>>& rows,
                  const std::array<const char*, N - 1>& gaps, std::ostream& out) {
  std::array<std::size_t, N - 1> widths{};
  for (const auto& row : rows) {
    for (std::size_t i = 0; i + 1 < N; ++i) widths[i] = std::max(widths[i], row[i].size());
  }
  for (const auto& row : rows) {
    for (std::size_t i = 0; i + 1 < N; ++i) {
      out << row[i] << std::string(widths[i] - row[i].size(), ' ') << gaps[i];
    }
    out << row.back() << '\n';
  }
}

}  // namespace tessimor::cli
