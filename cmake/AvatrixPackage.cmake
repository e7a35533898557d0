# The Debian package, built by scripts/package with cpack: avatrix_<version>_amd64.deb.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME avatrix)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Mirrowen)
set(CPACK_PACKAGE_CONTACT "Mirrowen <mirrowen@avatrix.mirrowen.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "text avatar maker: a banner of your own words over a picture")
# Lines of at most 72 columns, so that the description reads on a terminal.
set(CPACK_PACKAGE_DESCRIPTION
    "Avatrix makes square profile pictures with a banner of your own text
lying over them: choose the text, its font and colours, the banner's
size and opacity, drag the banner over a picture of your own and save
the avatar as the screen shows it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://avatrix.mirrowen.example/)
# The libraries the program links come from dpkg-shlibdeps on the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# libcurl is opened when the first web request is made, so shlibdeps cannot
# see it; the version is the one the program is built against.
find_package(CURL REQUIRED)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= ${CURL_VERSION_STRING}), qt6-translations-l10n")
# What the program uses without linking it, so shlibdeps cannot see it: the
# Ming face its captions are drawn with, the CJK font of the "宋体" banner
# font and every other face, colour emoji for avatrix-render's names, the
# output modules libout123 loads for the music, and xdg-open for web pages.
# Without them it still starts and works, only less well, hence recommended.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-arphic-uming, fonts-noto-cjk, fonts-noto-color-emoji, mpg123, xdg-utils")

include(CPack)
