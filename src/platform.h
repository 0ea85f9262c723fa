// SPDX-License-Identifier: MIT
// The little that differs between the Linux and the Windows console builds.
// Each build compiles exactly one implementation of this header.
#pragma once

// Suspends the process for ms milliseconds without spinning. Returns early
// only once a request to stop has arrived.
void pause_ms(int ms);

// From here on, a request to stop the game (Ctrl-C, a terminal hang-up, a
// termination request) is noted instead of killing the process at once, so
// that the main loop can end and restore the terminal.
void watch_for_stop();

// True once such a request has arrived.
bool stop_requested();

// After the terminal has been restored: ends the process the way the request
// would have ended it by default. Returns if no request arrived.
void finish_stop();
