#include "testing/news_page.h"

#include <algorithm>
#include <vector>

namespace demo {
namespace {

std::string Response(std::string_view status, std::string_view contentType, std::string_view body,
                     bool withBody) {
    std::string out = "HTTP/1.0 " + std::string(status) + "\r\n";
    out += "Content-Type: " + std::string(contentType) + "\r\n";
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    out += "Cache-Control: no-store\r\nConnection: close\r\n\r\n";
    if (withBody)
        out += body;
    return out;
}

std::string NewsPage(std::string_view query) {
    const std::string modClass = HtmlEscape(QueryValue(query, "class"));
    const std::string version = HtmlEscape(QueryValue(query, "version"));
    return "<!DOCTYPE html>\n<html><head><meta charset=\"windows-1252\"><title>News</title>"
           "<style>body{font-family:sans-serif;font-size:11px;margin:4px}</style></head><body>\n"
           "<h3>Demo news</h3>\n<p>Mod class: <b id=\"class\">" +
           modClass + "</b></p>\n<p>Switcher version: <b id=\"version\">" + version +
           "</b></p>\n<p>These news come from the local page server.</p>\n</body></html>\n";
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::string_view> SplitBlanks(std::string_view line) {
    std::vector<std::string_view> parts;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t end = line.find(' ', pos);
        const std::size_t stop = end == std::string_view::npos ? line.size() : end;
        if (stop > pos)
            parts.push_back(line.substr(pos, stop - pos));
        pos = stop + 1;
    }
    return parts;
}

} // namespace

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string PercentDecode(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out += ' ';
        } else if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 &&
                   HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string QueryValue(std::string_view query, std::string_view name) {
    std::size_t pos = 0;
    while (pos <= query.size()) {
        const std::size_t end = std::min(query.find('&', pos), query.size());
        const std::string_view pair = query.substr(pos, end - pos);
        const std::size_t eq = pair.find('=');
        if (PercentDecode(pair.substr(0, eq)) == name)
            return eq == std::string_view::npos ? std::string() : PercentDecode(pair.substr(eq + 1));
        pos = end + 1;
    }
    return {};
}

std::string PageResponse(std::string_view request) {
    const std::size_t lineEnd = request.find_first_of("\r\n");
    const auto parts = SplitBlanks(request.substr(0, lineEnd));
    if (parts.size() != 3 || parts[2].substr(0, 5) != "HTTP/" || parts[1].empty() || parts[1][0] != '/')
        return Response("400 Bad Request", "text/plain", "bad request\n", true);
    const bool head = parts[0] == "HEAD";
    if (parts[0] != "GET" && !head)
        return Response("405 Method Not Allowed", "text/plain", "only GET is served here\n", true);

    const std::string_view target = parts[1];
    const std::size_t question = target.find('?');
    const std::string_view path = target.substr(0, question);
    const std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    if (path == "/vqx/anymodnews.php")
        return Response("200 OK", "text/html; charset=windows-1252", NewsPage(query), !head);
    if (path == "/")
        return Response("200 OK", "text/plain", "Local page server of the demo installation.\n", !head);
    return Response("404 Not Found", "text/plain", "not found\n", !head);
}

} // namespace demo
