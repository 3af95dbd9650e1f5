#pragma once
// Downloading the four recoil patterns to the mouse: a job on the mouse's
// command queue that reads the four recoil files, builds the recoil image
// (macros/recoil_image.h) and writes it with the recoil memory command.
//
// On the queue thread, in order:
//   1. through the receiver, the link query first: a sleeping mouse gets
//      nothing (LinkDown);
//   2. the identity block (a mouse that does not answer it gets nothing);
//   3. begin, the image with command 0x17 from offset 0 in chunks, end (the
//      end goes out whenever the begin did, to close the bracket).
// The completion runs on the UI thread with the outcome; a failure is never
// reported as success, so the page can tell the user.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "core/result_code.h"

namespace tessel {

class MouseController;

struct RecoilDownload {
  enum class Status {
    Written,         // the mouse took the image
    NotConnected,    // the transport is closed
    LinkDown,        // the receiver cannot reach the mouse
    IdentityFailed,  // the identity read failed
    TooLarge,        // the four files make an image the 16-bit length cannot describe
    WriteFailed,     // begin, a chunk or end failed (result says how)
  };
  Status status = Status::NotConnected;
  ResultCode result = ResultCode::NotSent;
  size_t imageLength = 0;  // bytes of the image built (0 when none was)
  bool ok() const { return status == Status::Written; }
};

// A sentence for the user ("the recoil patterns were written to the mouse", ...).
std::string describe(const RecoilDownload& outcome);

// Runs the download on the calling thread (the queue thread). `dataFolder`
// holds the four recoil files; a missing file is an empty gun.
RecoilDownload downloadRecoilNow(MouseController& mouse, const std::filesystem::path& dataFolder);

// Queues the download on the mouse's command queue; `done` runs on the UI
// thread with the outcome.
void requestRecoilDownload(MouseController& mouse, std::filesystem::path dataFolder,
                           std::function<void(RecoilDownload)> done = {});

}  // namespace tessel
