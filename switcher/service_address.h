#pragma once

#include <string>
#include <string_view>

// Addresses of the community web services the switcher talks to or opens.
namespace switcher {

// Root address of the game list service ("http://host[:port]", no trailing
// slash): the value given with --service, else the environment variable
// ZANDREL_SERVICE, else kDefaultServiceRoot.
std::string ServiceRoot();
// The --service option. An empty value clears it.
void SetServiceRoot(std::string_view root);

inline constexpr std::string_view kDefaultServiceRoot = "http://vqx.zandrel.net";
// The second community site, the default readme page of a mod.
inline constexpr std::string_view kDefaultReadmeUrl = "http://www.zandrel-community.net/";

// Defaults of a mod descriptor's address keys for a given service root.
std::string DefaultGetMapsUrl(std::string_view serviceRoot); // the root page
std::string DefaultOnChatUrl(std::string_view serviceRoot);  // the chat page

} // namespace switcher
