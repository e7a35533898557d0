#pragma once

#include "text/Text.h"

// The program's own addresses and contact: one place for every value the
// notice check and its messages use.
namespace avatrix::web {

// The notice page read at every start: by default the page that ships with
// the program, as a file: address. The AVATRIX_NOTICE_URL build option names
// another (a loopback server for test builds, or a page on the web).
Text NoticePageUrl();

// Opened in the browser when the notice announces a newer version.
Text ProductSiteUrl();

// The author's contact number shown in the unpacked-run guard's title.
Text ContactNumber();

}  // namespace avatrix::web
