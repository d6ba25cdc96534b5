#pragma once

#include <string>
#include <string_view>

// Addresses of the community web services the switcher talks to or opens.
namespace switcher {

// Root address of the game list service ("http://host[:port]", no trailing
// slash): `option` (the value given with --service) when it is not empty,
// else the environment variable ZANDREL_SERVICE, else kDefaultServiceRoot.
// The program works it out once at start and hands it down.
std::string ServiceRootFrom(std::string_view option);

inline constexpr std::string_view kDefaultServiceRoot = "http://vqx.zandrel.net";
// The second community site, the default readme page of a mod.
inline constexpr std::string_view kDefaultReadmeUrl = "http://www.zandrel-community.net/";

// Defaults of a mod descriptor's address keys for a given service root.
std::string DefaultGetMapsUrl(std::string_view serviceRoot); // the root page
std::string DefaultOnChatUrl(std::string_view serviceRoot);  // the chat page

} // namespace switcher
