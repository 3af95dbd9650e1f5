#include "core/result_code.h"

namespace tessel {

ResultCode resultFromInt(int value) {
  switch (value) {
    case 1: return ResultCode::Success;
    case -1: return ResultCode::WriteFailed;
    case -101: return ResultCode::Unreachable;
    case -102: return ResultCode::StatusFF;
    case -103: return ResultCode::StatusFE;
    case -201: return ResultCode::BadMemoryBank;
    case -301: return ResultCode::Busy;
    default: return ResultCode::NotSent;
  }
}

std::string_view resultText(ResultCode r) {
  switch (r) {
    case ResultCode::Success: return "success";
    case ResultCode::NotSent: return "not sent, no reply or cancelled";
    case ResultCode::WriteFailed: return "write to the device failed";
    case ResultCode::Unreachable: return "the receiver cannot reach the wireless device";
    case ResultCode::StatusFF: return "device answered status 0xFF";
    case ResultCode::StatusFE: return "device answered status 0xFE";
    case ResultCode::BadMemoryBank: return "memory bank other than 0";
    case ResultCode::Busy: return "device busy: another process holds it";
  }
  return "unknown result";
}

}  // namespace tessel
