#pragma once

#include <string>
#include <string_view>

// The pages of the loopback page server, which stands in for the game list
// service's web pages in the demo and in tests.
namespace demo {

// The complete HTTP/1.0 response to one request (request line and headers,
// possibly cut short). Never fails: junk gets "400 Bad Request".
//   /vqx/anymodnews.php   the news page, with a PNG, a JPEG and a GIF picture
//   /news/pictures.html   a page of count=N pictures (PNG, JPEG, GIF in turn)
//   /picture.png|jpg|gif|bmp?colour=RRGGBB&width=W&height=H   a picture
std::string PageResponse(std::string_view request);

// Helpers, exposed for the tests of the pages.
std::string HtmlEscape(std::string_view text);
// Decodes %XX and '+'; a malformed escape is kept as written.
std::string PercentDecode(std::string_view text);
// The decoded value of `name` in a query string ("a=1&b=2"); empty when absent.
std::string QueryValue(std::string_view query, std::string_view name);

} // namespace demo
