#include "web/ProductInfo.h"

#include <filesystem>
#include <system_error>

#include "web/FileAddress.h"

namespace avatrix::web {

namespace {

#ifdef AVATRIX_NOTICE_URL
constexpr char kNoticePageUrl[] = AVATRIX_NOTICE_URL;
#endif
constexpr char kProductSiteUrl[] = "http://avatrix.mirrowen.example/";
constexpr char kContactNumber[] = "315728406";

#ifndef AVATRIX_NOTICE_URL
// The page that ships with the program, found from the executable's folder
// the same way in the build tree and in an installed prefix.
Text BundledNoticeAddress() {
    std::error_code error;
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return Text();
    }
    const std::filesystem::path page =
        (executable.parent_path() / AVATRIX_NOTICE_FROM_BINDIR).lexically_normal();
    return FileAddressOf(page.string());
}
#endif

}  // namespace

Text NoticePageUrl() {
#ifdef AVATRIX_NOTICE_URL
    return Text(kNoticePageUrl);
#else
    return BundledNoticeAddress();
#endif
}
Text ProductSiteUrl() {
    return Text(kProductSiteUrl);
}
Text ContactNumber() {
    return Text(kContactNumber);
}

}  // namespace avatrix::web
