# Where the program and its data live. The build tree is laid out like an
# installed prefix (the program in bin/, its data in share/avatrix/), so the
# program finds its data the same way wherever it runs from: relative to its
# own executable.

set(AVATRIX_BUILD_BINDIR ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_BINDIR})
set(AVATRIX_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/avatrix)
set(AVATRIX_BUILD_DATADIR ${PROJECT_BINARY_DIR}/${AVATRIX_INSTALL_DATADIR})

# The bundled notice page as seen from the executable's folder, e.g.
# "../share/avatrix/notice.html".
file(RELATIVE_PATH AVATRIX_NOTICE_FROM_BINDIR ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/avatrix/notice.html)
if(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_DATADIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_BINDIR and CMAKE_INSTALL_DATADIR must be relative: "
                      "the program finds its data relative to itself")
endif()

# The project version as the code sees it: avatrix/Version.h.
set(AVATRIX_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/Version.h.in
               ${AVATRIX_GENERATED_DIR}/avatrix/Version.h @ONLY)
add_library(avatrix_version INTERFACE)
target_include_directories(avatrix_version INTERFACE ${AVATRIX_GENERATED_DIR})
