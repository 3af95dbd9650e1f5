#pragma once
// Result of one device command.
#include <initializer_list>
#include <string_view>

namespace tessel {

enum class ResultCode : int {
  Success = 1,
  NotSent = 0,            // not sent, no reply, or cancelled
  WriteFailed = -1,
  Unreachable = -101,     // the receiver reports the wireless device unreachable
  StatusFF = -102,        // the device answered status 0xFF
  StatusFE = -103,        // the device answered status 0xFE
  BadMemoryBank = -201,   // memory bank other than 0
  Busy = -301,            // another process held the device past the wait limit
};

constexpr int toInt(ResultCode r) { return static_cast<int>(r); }

// Maps an integer returned by a command to the enum; unknown values give NotSent.
ResultCode resultFromInt(int value);

// The first failure of a sequence of commands, or success.
constexpr ResultCode firstFailure(std::initializer_list<ResultCode> results) {
  for (ResultCode r : results)
    if (r != ResultCode::Success) return r;
  return ResultCode::Success;
}

// A short English description, e.g. "device answered status 0xFF".
std::string_view resultText(ResultCode r);

}  // namespace tessel
