#include "devices/mouse/mouse_recoil.h"

#include <array>

#include "devices/mouse/mouse_controller.h"
#include "macros/recoil_image.h"
#include "platform/debug.h"

namespace tessel {

std::string describe(const RecoilDownload& outcome) {
  switch (outcome.status) {
    case RecoilDownload::Status::Written:
      return "the recoil patterns were written to the mouse (" + std::to_string(outcome.imageLength) + " bytes)";
    case RecoilDownload::Status::NotConnected:
      return "the mouse is not connected; the recoil patterns were not written";
    case RecoilDownload::Status::LinkDown:
      return "the receiver cannot reach the mouse (asleep or out of range); the recoil patterns were not written";
    case RecoilDownload::Status::IdentityFailed:
      return std::string("the mouse did not answer (") + std::string(resultText(outcome.result)) +
             "); the recoil patterns were not written";
    case RecoilDownload::Status::TooLarge:
      return "the recoil files hold too many events for one image (" + std::to_string(outcome.imageLength) +
             " bytes, at most 65535); nothing was written";
    case RecoilDownload::Status::WriteFailed:
      return std::string("the mouse did not take the recoil patterns (") + std::string(resultText(outcome.result)) + ")";
  }
  return {};
}

RecoilDownload downloadRecoilNow(MouseController& mouse, const std::filesystem::path& dataFolder) {
  RecoilDownload out;
  if (!mouse.isConnected()) return out;
  auto& t = mouse.transport();
  // A receiver whose mouse sleeps would answer every chunk with "unreachable".
  if (mouse.onReceiver() && !t.linkQuery()) {
    out.status = RecoilDownload::Status::LinkDown;
    out.result = ResultCode::Unreachable;
    return out;
  }
  std::array<uint8_t, transport::kIdentitySize> identity{};
  out.result = t.readIdentity(identity);
  if (out.result != ResultCode::Success) {
    out.status = RecoilDownload::Status::IdentityFailed;
    return out;
  }
  const macros::RecoilImage image = macros::buildRecoilImage(macros::RecoilFiles(dataFolder, {}));
  out.imageLength = static_cast<size_t>(image.length);
  if (!image.ok) {
    // A wrapped 16-bit length would make the mouse play the wrong blocks.
    out.status = RecoilDownload::Status::TooLarge;
    out.result = ResultCode::NotSent;
    return out;
  }
  out.status = RecoilDownload::Status::WriteFailed;
  out.result = t.begin();
  if (out.result != ResultCode::Success) return out;
  const ResultCode written = t.writeRecoilMemory(image.bytes);
  // The end closes the bracket in any case; the mouse checks the image on it.
  const ResultCode ended = t.end(1);
  out.result = written != ResultCode::Success ? written : ended;
  if (out.result == ResultCode::Success) out.status = RecoilDownload::Status::Written;
  return out;
}

void requestRecoilDownload(MouseController& mouse, std::filesystem::path dataFolder,
                           std::function<void(RecoilDownload)> done) {
  mouse.commandQueue().request<RecoilDownload>(
      [&mouse, folder = std::move(dataFolder)] { return downloadRecoilNow(mouse, folder); },
      [done = std::move(done)](RecoilDownload outcome) {
        if (!outcome.ok()) debugPrintf("mouse recoil download: %s", describe(outcome).c_str());
        if (done) done(outcome);
      },
      "recoil");
}

}  // namespace tessel
