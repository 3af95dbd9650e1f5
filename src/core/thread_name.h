#pragma once
// Names the calling thread for the system (top, ps -L, /proc/PID/task/*/comm,
// debuggers), so the cost of each thread can be told apart. Linux keeps at
// most 15 bytes; a longer name is cut there.
#include <pthread.h>

#include <string>
#include <string_view>

namespace tessel {

inline constexpr size_t kThreadNameMax = 15;

// The name as the system keeps it: cut to 15 bytes, never inside a UTF-8
// sequence.
std::string systemThreadName(std::string_view name);

void nameThisThread(std::string_view name);
// Names another, running thread.
void nameThread(pthread_t thread, std::string_view name);

}  // namespace tessel
