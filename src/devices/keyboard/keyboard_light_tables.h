#pragma once
// The fixed tables of the keyboard's lighting engine: the picture grid of the
// 170 layout positions, the key order flowing effects walk, the rings, the
// snake path, the sweep and the scripted show. Entries of -1 are "no
// position"; a position is lit by a path only when it has a grid cell.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tessel::keyboard_light {

inline constexpr size_t kPositions = 170;
inline constexpr int kColumns = 23;
inline constexpr int kRows = 6;
inline constexpr size_t kKeyOrderLength = 107;
inline constexpr size_t kSnakeLength = 110;
inline constexpr size_t kSweepSteps = 52;
inline constexpr size_t kShowSteps = 20;
inline constexpr size_t kShowPairs = 16;
inline constexpr size_t kRings = 12;

// The position at grid column 0..22, row 0..5, or -1 (also for any cell
// outside the grid).
int gridPosition(int column, int row);
// True when the position has a cell in the grid.
bool inGrid(int position);
// The first cell (columns 0..22, rows 0..5 within a column) holding the
// position; false when it has none.
bool firstCell(int position, int& column, int& row);

const std::array<int16_t, kKeyOrderLength>& keyOrder();
const std::array<int16_t, kSnakeLength>& snakePath();
std::span<const int16_t> ring(size_t index);       // index < kRings
std::span<const int16_t> sweepStep(size_t step);   // step < kSweepSteps
std::span<const int16_t> showStep(size_t step);    // step < kShowSteps
const std::array<std::array<int16_t, 2>, kShowPairs>& showPairs();

}  // namespace tessel::keyboard_light
