#include "switcher/multiplayer/game_list_client.h"

#include <memory>
#include <utility>

namespace switcher {

GameListClient::GameListClient(HttpPort& http, common::MessageSink& sink,
                               std::function<std::string()> serviceRoot)
    : m_http(http), m_sink(sink), m_serviceRoot(std::move(serviceRoot)) {}

void GameListClient::FetchGameList(std::function<void(GameListReply)> done) {
    ListAttempt(0, std::make_shared<std::function<void(GameListReply)>>(std::move(done)));
}

void GameListClient::ListAttempt(int failed, std::shared_ptr<std::function<void(GameListReply)>> done) {
    constexpr int kAttempts = 3;
    constexpr std::size_t kShortestBody = 10;
    m_http.Get(m_serviceRoot() + "/vqx/?mode=list&submode=strippedV2", [this, failed, done](HttpResult r) {
        int failures = failed;
        if (!r.arrived)
            m_sink.ShowMessage(kRetryMessage + std::to_string(failures));
        if (!r.arrived || r.body.size() < kShortestBody)
            ++failures;
        if (failures > failed && failures < kAttempts) {
            ListAttempt(failures, done);
            return;
        }
        GameListReply reply = gamelist::ParseStrippedV2(r.body);
        if (!reply.complete) {
            // A failed last request has had its message already.
            if (r.arrived)
                m_sink.ShowMessage(kIncompleteListMessage);
            reply = GameListReply{};
        }
        (*done)(std::move(reply));
    });
}

void GameListClient::PostHostedGame(const HostedGame& game, std::function<void(bool)> done) {
    m_http.Post(m_serviceRoot() + gamelist::BuildAddV2Path(game), [this, done](HttpResult r) {
        if (!r.arrived)
            m_sink.ShowMessage(kPostFailedMessage);
        done(r.arrived);
    });
}

void GameListClient::FetchOwnAddress(std::function<void(std::optional<std::string>)> done) {
    m_http.Get(m_serviceRoot() + "/vqx/myip.php", [done](HttpResult r) {
        if (!r.arrived)
            done(std::nullopt);
        else
            done(std::move(r.body));
    });
}

} // namespace switcher
