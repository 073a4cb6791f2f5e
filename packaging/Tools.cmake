# What a command-line tool brings to an installation: the program, and on a
# native build its manual page and its bash completion.
#
#   kestrel_install_tool(<target>
#                        MAN_INCLUDE <file.h2m>      sections --help cannot hold
#                        COMPLETION <file>)          bash completion script
#
# The manual page is made from the tool's own --help and --version by
# help2man at build time, with the include file for the rest, so the option
# list of the page is always the program's. A Windows build installs the
# program only, into the root of the download.
#
# Every tool is recorded in the global property KESTREL_TOOLS; its target
# carries KESTREL_MAN_PAGE (the troff page, when one is made) and
# KESTREL_COMPLETION, for the tests of tests/package.
include_guard(GLOBAL)
include(GNUInstallDirs)
include(${CMAKE_CURRENT_LIST_DIR}/SourceDateEpoch.cmake)
set(KESTREL_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})

find_program(KESTREL_HELP2MAN help2man)
find_program(KESTREL_GZIP gzip)

function(kestrel_install_tool tool)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "MAN_INCLUDE;COMPLETION" "")
  set_property(GLOBAL APPEND PROPERTY KESTREL_TOOLS ${tool})

  if(WIN32)
    install(TARGETS ${tool} RUNTIME DESTINATION . COMPONENT Runtime)
    return()
  endif()
  install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT Runtime)

  if(arg_COMPLETION)
    set_property(TARGET ${tool} PROPERTY KESTREL_COMPLETION ${arg_COMPLETION})
    install(FILES ${arg_COMPLETION} RENAME ${tool}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions COMPONENT Runtime)
  endif()

  if(NOT arg_MAN_INCLUDE)
    return()
  endif()
  if(CMAKE_CROSSCOMPILING OR NOT KESTREL_HELP2MAN OR NOT KESTREL_GZIP)
    message(STATUS "${tool}: no manual page (needs a native build with help2man and gzip)")
    return()
  endif()
  set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${tool}.1)
  set(epoch_env)
  if(KESTREL_SOURCE_DATE_EPOCH)
    set(epoch_env SOURCE_DATE_EPOCH=${KESTREL_SOURCE_DATE_EPOCH})
  endif()
  # help2man runs "<program> --help" through the shell; the filter sits in
  # between. C locale: help2man's own headings stay English.
  set(filter ${KESTREL_PACKAGING_DIR}/man/help-for-man.sh)
  add_custom_command(
    OUTPUT ${page} ${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C ${epoch_env}
            ${KESTREL_HELP2MAN} --no-info --include=${arg_MAN_INCLUDE} --output=${page}
            "sh '${filter}' '$<TARGET_FILE:${tool}>'"
    # -n: no name or time stamp in the compressed file.
    COMMAND ${KESTREL_GZIP} -9 -n -f -k ${page}
    DEPENDS ${tool} ${arg_MAN_INCLUDE} ${filter}
    COMMENT "Manual page ${tool}(1)"
    VERBATIM)
  add_custom_target(${tool}-man ALL DEPENDS ${page} ${page}.gz)
  set_property(TARGET ${tool} PROPERTY KESTREL_MAN_PAGE ${page})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT Runtime)
endfunction()
