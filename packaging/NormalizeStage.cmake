# Run by cpack on the staged files just before they are packed, so that a
# package depends neither on the umask nor on the clock of the build: every
# mode is 644 or 755, every time stamp is SOURCE_DATE_EPOCH (set by
# CPackProjectConfig.cmake). Programs for Linux also lose the compiler notes
# that a plain strip keeps (.comment, .note).
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT IS_DIRECTORY "${stage}")
  message(FATAL_ERROR "no staged files in '${stage}'")
endif()

execute_process(COMMAND chmod -R u+rwX,go+rX,go-w "${stage}" COMMAND_ERROR_IS_FATAL ANY)

if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_KESTREL_STRIP)
  file(GLOB programs "${stage}${CPACK_PACKAGING_INSTALL_PREFIX}/bin/*")
  foreach(program IN LISTS programs)
    execute_process(COMMAND "${CPACK_KESTREL_STRIP}" --remove-section=.comment --remove-section=.note "${program}"
                    COMMAND_ERROR_IS_FATAL ANY)
  endforeach()
endif()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  execute_process(COMMAND find "${stage}" -exec touch -h -d "@$ENV{SOURCE_DATE_EPOCH}" {} +
                  COMMAND_ERROR_IS_FATAL ANY)
endif()
