#pragma once

#include "text/Text.h"

// The program's own addresses and contact: one place for every value the
// notice check and its messages use.
namespace avatrix::web {

// The notice page read at every start. A test build points it at a loopback
// server with the AVATRIX_NOTICE_URL build option.
Text NoticePageUrl();

// Opened in the browser when the notice announces a newer version.
Text ProductSiteUrl();

// The author's contact number shown in the unpacked-run guard's title.
Text ContactNumber();

}  // namespace avatrix::web
