#include "web/ProductInfo.h"

namespace avatrix::web {

namespace {

#ifdef AVATRIX_NOTICE_URL
constexpr char kNoticePageUrl[] = AVATRIX_NOTICE_URL;
#else
constexpr char kNoticePageUrl[] = "http://blog.mirrowen.example/avatrix/notice.html";
#endif
constexpr char kProductSiteUrl[] = "http://avatrix.mirrowen.example/";
constexpr char kContactNumber[] = "315728406";

}  // namespace

Text NoticePageUrl() {
    return Text(kNoticePageUrl);
}
Text ProductSiteUrl() {
    return Text(kProductSiteUrl);
}
Text ContactNumber() {
    return Text(kContactNumber);
}

}  // namespace avatrix::web
