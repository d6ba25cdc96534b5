#include "testing/news_page.h"

#include "testing/demo_pictures.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
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
           "<h3>Demo news</h3>\n"
           "<p><img src=\"/picture.png?colour=D02020&amp;width=96&amp;height=24\" alt=\"PNG\"><br>"
           "<img src=\"/picture.jpg?colour=20A040&amp;width=96&amp;height=24\" alt=\"JPEG\"><br>"
           "<img src=\"/picture.gif?colour=2050E0&amp;width=96&amp;height=24\" alt=\"GIF\"></p>\n"
           "<p>Mod class: <b id=\"class\">" +
           modClass + "</b></p>\n<p>Switcher version: <b id=\"version\">" + version +
           "</b></p>\n<p>These news come from the local page server.</p>\n</body></html>\n";
}

int HexDigit(char c);

// A number from the query, within [low, high]; `fallback` when absent or not a number.
int QueryNumber(std::string_view query, std::string_view name, int low, int high, int fallback,
                int base = 10) {
    const std::string text = QueryValue(query, name);
    if (text.empty())
        return fallback;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, base);
    if (*end != '\0')
        return fallback;
    return static_cast<int>(std::clamp<long>(value, low, high));
}

// A picture of the demo's banner pattern: colour=RRGGBB (its corner and
// hue), width and height (1..1024).
std::string PictureBytes(std::string_view kind, std::string_view query) {
    const auto colour = static_cast<std::uint32_t>(QueryNumber(query, "colour", 0, 0xFFFFFF, 0x3366CC, 16));
    const demo::Picture picture = demo::MakeBanner(colour, QueryNumber(query, "width", 1, 1024, 48),
                                                   QueryNumber(query, "height", 1, 1024, 32));
    if (kind == "png")
        return demo::EncodePng(picture);
    if (kind == "jpg")
        return demo::EncodeJpeg(picture, 90);
    if (kind == "gif")
        return demo::EncodeGif(picture);
    return demo::EncodeBmp(picture);
}

// A news page with count=N pictures (1..100), PNG, JPEG and GIF in turn, each
// of its own colour, addressed relative to the page.
std::string PicturesPage(std::string_view query) {
    static constexpr const char* kKinds[] = {"png", "jpg", "gif"};
    static constexpr std::uint32_t kColours[] = {0xD02020, 0x20A040, 0x2050E0, 0xE0A020, 0x9030C0};
    const int count = QueryNumber(query, "count", 1, 100, 3);
    std::string page = "<!DOCTYPE html>\n<html><head><title>Pictures</title></head><body>\n"
                       "<p id=\"title\">Pictures</p>\n";
    for (int i = 0; i < count; ++i) {
        char colour[8];
        std::snprintf(colour, sizeof colour, "%06X",
                      kColours[i % 5] ^ static_cast<std::uint32_t>(i / 5 * 0x101010));
        page += std::string("<p>") + kKinds[i % 3] + "<br><img src=\"/picture." + kKinds[i % 3] +
                "?colour=" + colour + "&amp;width=96&amp;height=40&amp;n=" + std::to_string(i) + "\"></p>\n";
    }
    return page + "</body></html>\n";
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
    if (path == "/news/pictures.html")
        return Response("200 OK", "text/html", PicturesPage(query), !head);
    for (const char* kind : {"png", "jpg", "gif", "bmp"}) {
        if (path == std::string("/picture.") + kind) {
            // The content type is left vague on purpose: the reader goes by the bytes.
            return Response("200 OK", "application/octet-stream", PictureBytes(kind, query), !head);
        }
    }
    if (path == "/")
        return Response("200 OK", "text/plain", "Local page server of the demo installation.\n", !head);
    return Response("404 Not Found", "text/plain", "not found\n", !head);
}

} // namespace demo
