#pragma once
// What the desktop sources' reader threads share: the eventfd a thread polls
// beside its devices, and the stop that wakes and joins it.
#include <atomic>
#include <string>
#include <thread>

namespace tessel::input {

// A new stop event (an eventfd), or -1 with the reason.
int openStopEvent(std::string& reason);

// Wakes the reader thread through `stopFd`, joins it, closes the event and
// marks the source stopped. Called from inside the sink (events delivered
// inline on the reader thread), it only marks the source stopped: the thread
// ends after its batch, and the next start or the destructor joins it.
void stopReaderThread(std::thread& thread, int& stopFd, std::atomic<bool>& running);

}  // namespace tessel::input
