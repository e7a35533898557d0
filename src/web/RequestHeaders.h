#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "text/Text.h"
#include "web/CurlHandles.h"

// The request header text: the caller's lines completed with browser-like
// defaults, and its conversion into the lines libcurl sends.
namespace avatrix::web {

// The caller's header text with the default Accept line, the Referer line
// (or the "RefererNo" marker taken out) and the language line added where the
// caller gave none; for a POST with a body also the form type, length and
// cookie lines, in that order. Presence is tested ignoring case anywhere in
// the text.
Text BuildHeaderText(const Text& headers, const Text& normalizedUrl, bool post, const ByteSet& body,
                     const Text& cookies);

// The header lines of a CRLF-separated text (a lone CR or LF also ends a
// line). Empty lines and lines that are not "Name: value" are left out.
std::vector<std::string> SplitHeaderLines(const Text& headerText);

// Removes every line whose name is one of `names` (ignoring case).
void DropHeaderLines(std::vector<std::string>& lines,
                     std::initializer_list<std::string_view> names);

// The list handed to libcurl: the lines in order (a line with an empty value
// is still sent), plus markers that keep libcurl from adding header lines of
// its own that the request never asked for.
detail::HeaderList BuildHeaderList(const std::vector<std::string>& lines, bool post);

}  // namespace avatrix::web
