#pragma once

#include <functional>

// One copy of the program per user and display. A later start asks the
// running copy to bring its windows back and ends; the running copy listens on
// a local socket in the user's runtime folder, which it removes when it ends.
namespace avatrix::app {

// True when a copy already runs for this user on this display and has
// answered the request to bring its windows back: the caller then ends.
// A socket nobody answers on is left for ListenForLaterStarts to take over.
bool HandOverToRunningCopy();

// Serves later starts until the program ends, running `bringBack` for each.
// The socket goes with the program: through EndProgram's clean-up, and on
// SIGTERM, SIGINT and SIGHUP. Without a socket the program runs on alone.
void ListenForLaterStarts(std::function<void()> bringBack);

}  // namespace avatrix::app
