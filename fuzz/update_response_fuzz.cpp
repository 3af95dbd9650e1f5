// Answers of the update service: any bytes, read for every kind of row. The
// row must come out as "nothing newer" or "newer" with a non-empty name,
// and never throw.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "services/update_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel;
  // The client hands the body on up to its terminating NUL.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string_view body(text.c_str());
  static const UpdateEntry entries[] = {
      {updateTable()[0], 0x0102, {}},
      {updateTable()[2], 0xFFFF, {}},
      {updateTable()[3], 105, "1.0.5"},
      {updateTable()[3], 10, "0.1.0"},
  };
  for (const auto& e : entries) {
    for (bool cut : {false, true}) {
      const UpdateResult r = evaluateUpdateResponse(e, static_cast<long>(size), body, cut);
      if (r.status != kUpdateStatusNothingNewer && (r.status != kUpdateStatusAvailable || cut)) std::abort();
      if (r.status == kUpdateStatusAvailable && r.name.empty()) std::abort();
    }
  }
  return 0;
}
