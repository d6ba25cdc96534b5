#pragma once

#include "common/message_sink.h"
#include "gamelist/protocol/add_query.h"
#include "gamelist/protocol/game_list_reply.h"
#include "switcher/multiplayer/http_port.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace switcher {

using gamelist::GameList;
using gamelist::GameListEntry;
using gamelist::GameListReply;
using gamelist::HostedGame;

// The requests of the multiplayer launcher to the game list service, made
// through an HTTP port; failures are reported on the message sink.
class GameListClient {
public:
    // `serviceRoot` gives "http://host[:port]" at the moment of each request.
    GameListClient(HttpPort& http, common::MessageSink& sink, std::function<std::string()> serviceRoot);

    // Up to three attempts: an attempt fails when the request fails (with the
    // retry message) or its body is shorter than 10 bytes (silently). The
    // last body is parsed whatever it holds; a reply that lacks the three
    // leading records arrives empty and incomplete, with kIncompleteListMessage
    // when a body came (three failed requests have had their messages).
    void FetchGameList(std::function<void(GameListReply)> done);
    // Announces a game; false (after the posting message) when the request failed.
    void PostHostedGame(const HostedGame& game, std::function<void(bool)> done);
    // The own address: the whole reply body, or nothing when the request failed.
    void FetchOwnAddress(std::function<void(std::optional<std::string>)> done);

private:
    void ListAttempt(int failed, std::shared_ptr<std::function<void(GameListReply)>> done);

    HttpPort& m_http;
    common::MessageSink& m_sink;
    std::function<std::string()> m_serviceRoot;
};

inline constexpr const char* kRetryMessage = " problem while refreshing! Trying again upto 3 times. Try: ";
inline constexpr const char* kPostFailedMessage = " problem while posting! ";
inline constexpr const char* kIncompleteListMessage =
    "The game list service sent no usable list. Please try again later.";

} // namespace switcher
