#pragma once

namespace switcher {

// Whether this process may run the news box's web engine. The engine's
// sandbox does not run as root, and without it a remote page would be one
// renderer bug away from the player's whole machine; as root the news box
// shows the plain HTML view instead.
bool WebEngineMayRun();

} // namespace switcher
