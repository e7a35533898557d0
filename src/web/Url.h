#pragma once

#include "text/Text.h"

// Splitting of the URLs the request routine is given. These work by plain
// substring searches and cuts rather than a URL grammar, so odd inputs give
// odd but well-defined pieces; none of them fails.
namespace avatrix::web {

// Puts "http://" in front unless the URL already starts with "http://" or
// "https://" (exact case). The URL is not trimmed.
Text NormalizeUrl(const Text& url);

// True when "https://" occurs anywhere in the URL, ignoring case.
bool IsSecureUrl(const Text& url);

// The host, lower case: the URL without any scheme marker, cut at the first
// "/" and then at the first ":".
Text GetUrlHost(const Text& url);

// The path with its query, case kept; always begins with "/".
Text GetUrlObject(const Text& url);

// The written port (80 when none), read as a number: trailing junk is
// ignored and no number gives 0. No range check.
int GetUrlPort(const Text& url);

}  // namespace avatrix::web
