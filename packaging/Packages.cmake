# Install rules for the documents, and the packages CPack makes of an
# installation: a Debian package on Linux, a zip for Windows (from the
# MinGW-w64 build). The programs bring their own install rules
# (kestrel_install_tool in Tools.cmake); everything in the component Runtime
# goes into both packages.
#
# Components:
#   Runtime          programs, manual pages, completion, the user's documents
#                    (README.txt for Windows; README.md and the user pages of
#                    docs/ for Debian: the development notes stay in the
#                    sources)
#   License          LICENSE; the Debian package carries the licence in its
#                    copyright file instead
#   Debian           share/doc/kestrel/copyright and changelog.gz, only for
#                    the Debian package
include_guard(GLOBAL)
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake)

set(KESTREL_PACKAGE_MAINTAINER "The Kestrel developers <kestrel@example.org>"
    CACHE STRING "Maintainer field of the Debian package")
set(KESTREL_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/kestrel)
# The page as one self-contained file (scripts/build-web.sh makes it;
# scripts/package.sh passes it): beside the programs in the zip, in
# share/kestrel with a desktop entry in the Debian package.
set(KESTREL_WEB_PAGE "" CACHE FILEPATH "The single-file page kestrel.html to package; none when empty")

set(CPACK_PACKAGE_NAME kestrel)
set(CPACK_PACKAGE_VENDOR "The Kestrel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${KESTREL_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter of VELA music files for the Heron sound chip")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Fixes time stamps and modes of the staged files before they are packed.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/NormalizeStage.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/SortZip.cmake)
set(CPACK_KESTREL_SOURCE_DATE_EPOCH "${KESTREL_SOURCE_DATE_EPOCH}")
set(CPACK_KESTREL_STRIP "${CMAKE_STRIP}")
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_CURRENT_LIST_DIR}/CPackProjectConfig.cmake)

if(WIN32)
  # The Windows download: the programs in the root of the zip, next to the
  # documents under names a Windows user can open. Its README is its own,
  # written for Windows users, with the line ends Notepad expects. The
  # command-line tools join through kestrel_install_tool. The notices of the
  # code compiled into them are filled in from the packages of that code
  # (CLI11's from its Debian copyright file, as for the Debian package).
  include(${CMAKE_CURRENT_LIST_DIR}/Cli11Notice.cmake)
  kestrel_cli11_notice()
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/THIRD-PARTY-NOTICES.txt.in
                 ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt @ONLY NEWLINE_STYLE UNIX)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/windows/README.txt.in
                 ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(TARGETS Kestrel RUNTIME DESTINATION . COMPONENT Runtime)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT Runtime)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/THIRD-PARTY-NOTICES.txt DESTINATION . COMPONENT Runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION . RENAME LICENSE.txt COMPONENT License)
  if(KESTREL_WEB_PAGE)
    install(FILES ${KESTREL_WEB_PAGE} DESTINATION . COMPONENT Runtime)
  endif()

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME kestrel-${PROJECT_VERSION}-windows-x64)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};Kestrel;Runtime;/"
      "${CMAKE_BINARY_DIR};Kestrel;License;/")
else()
  # The README and the pages of docs/ written for users, with the pictures
  # they show, in docs/ beside the README so that its links hold where
  # installed; the development notes (building and testing, benchmarks)
  # stay in the sources.
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${KESTREL_INSTALL_DOCDIR} COMPONENT Runtime)
  set(user_docs command-line.md kestrel-info.md many-machines.md web-page.md
                web-page.png web-details.png large_format1-roll.png)
  list(TRANSFORM user_docs PREPEND ${PROJECT_SOURCE_DIR}/docs/)
  install(FILES ${user_docs} DESTINATION ${KESTREL_INSTALL_DOCDIR}/docs COMPONENT Runtime)
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${KESTREL_INSTALL_DOCDIR} COMPONENT License)
  if(KESTREL_WEB_PAGE)
    # The desktop entry and the override name the page under /usr: Debian only.
    install(FILES ${KESTREL_WEB_PAGE} DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrel COMPONENT Runtime)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/kestrel.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Debian EXCLUDE_FROM_ALL)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/lintian-overrides
            DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME kestrel COMPONENT Debian EXCLUDE_FROM_ALL)
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS xdg-utils)
  endif()
  include(${CMAKE_CURRENT_LIST_DIR}/DebianCopyright.cmake)
  kestrel_debian_copyright(${PROJECT_SOURCE_DIR}/packaging/debian/copyright.in
                           ${CMAKE_BINARY_DIR}/packaging/copyright)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/copyright DESTINATION ${KESTREL_INSTALL_DOCDIR}
          COMPONENT Debian EXCLUDE_FROM_ALL)
  if(KESTREL_GZIP)
    set(changelog ${CMAKE_BINARY_DIR}/packaging/changelog)
    add_custom_command(
      OUTPUT ${changelog}.gz
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/debian/changelog ${changelog}
      COMMAND ${KESTREL_GZIP} -9 -n -f ${changelog}
      DEPENDS ${PROJECT_SOURCE_DIR}/packaging/debian/changelog
      COMMENT "Debian changelog"
      VERBATIM)
    add_custom_target(kestrel-debian-changelog ALL DEPENDS ${changelog}.gz)
    install(FILES ${changelog}.gz DESTINATION ${KESTREL_INSTALL_DOCDIR} COMPONENT Debian EXCLUDE_FROM_ALL)
  endif()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_INSTALL_CMAKE_PROJECTS
      "${CMAKE_BINARY_DIR};Kestrel;Runtime;/"
      "${CMAKE_BINARY_DIR};Kestrel;Debian;/")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_NAME kestrel)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KESTREL_PACKAGE_MAINTAINER})
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
  # The long description: one paragraph per line, indented by CPack.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
      "Kestrel converts VELA music files (.mmf) written for the older Lark and Wren
sound-chip generations into files for the newer Heron generation. The
command-line tool kestrel-cli converts the files and folders it is given in
one batch: every output keeps its name below an OUTPUT folder that mirrors
the input tree, and every file gets an OK or NG result row with the reason
of a failure; a CSV report can be saved. The tool kestrel-info shows what is
inside VELA files of both generations (summary, events, JSON, an SVG piano
roll) and checks the structure of the Heron files Kestrel writes.")
endif()

include(CPack)
