#pragma once

#include <functional>

// Runs `work` on a thread of its own and returns when it is done. Meanwhile the calling
// thread keeps its event loop turning for painting and timers only: user input and socket
// notices (a device plugged or pulled) wait, so nothing the user or the system does can
// change what `work` is writing. For commits that take longer than a frame.
void runOffThread(const std::function<void()> &work);
