# The Debian copyright file: ours, plus the notice of the CLI11 code that
# kestrel-cli compiles in, taken from the copyright file of the CLI11 package
# that the build uses, so the notice is always that version's own.
#   kestrel_debian_copyright(<template> <output>)
include_guard(GLOBAL)

set(KESTREL_CLI11_COPYRIGHT_FILE /usr/share/doc/libcli11-dev/copyright
    CACHE FILEPATH "Debian copyright file of the CLI11 headers kestrel-cli is built with")

# The text of the paragraph of `text` that starts at `start`, up to the next
# blank line.
function(_kestrel_paragraph text start out)
  string(SUBSTRING "${text}" ${start} -1 rest)
  string(FIND "${rest}" "\n\n" end)
  if(end GREATER_EQUAL 0)
    string(SUBSTRING "${rest}" 0 ${end} rest)
  endif()
  set(${out} "${rest}" PARENT_SCOPE)
endfunction()

function(kestrel_debian_copyright template output)
  set(KESTREL_CLI11_COPYRIGHT "(unknown)")
  set(KESTREL_CLI11_LICENSE_NAME "(unknown)")
  set(KESTREL_CLI11_LICENSE "")
  if(EXISTS "${KESTREL_CLI11_COPYRIGHT_FILE}")
    file(READ "${KESTREL_CLI11_COPYRIGHT_FILE}" text)
    string(REPLACE "\r" "" text "\n${text}\n")
    string(REGEX REPLACE "\n[ \t]+\n" "\n\n" text "${text}")
    # The paragraph for all files names the holders and the licence ...
    string(FIND "${text}" "\nFiles: *\n" files_at)
    if(files_at GREATER_EQUAL 0)
      math(EXPR files_at "${files_at} + 1")
      _kestrel_paragraph("${text}" ${files_at} files)
      string(REGEX MATCH "\nCopyright: ([^\n]*)" _ "\n${files}")
      set(KESTREL_CLI11_COPYRIGHT "${CMAKE_MATCH_1}")
      string(REGEX MATCH "\nLicense: ([^\n]*)" _ "\n${files}")
      set(KESTREL_CLI11_LICENSE_NAME "${CMAKE_MATCH_1}")
      # ... whose text is a paragraph of its own.
      string(FIND "${text}" "\n\nLicense: ${KESTREL_CLI11_LICENSE_NAME}\n" license_at)
      if(license_at GREATER_EQUAL 0)
        math(EXPR license_at "${license_at} + 2")
        _kestrel_paragraph("${text}" ${license_at} KESTREL_CLI11_LICENSE)
        string(REGEX REPLACE "[ \t]+\n" "\n" KESTREL_CLI11_LICENSE "${KESTREL_CLI11_LICENSE}\n")
        string(STRIP "${KESTREL_CLI11_LICENSE}" KESTREL_CLI11_LICENSE)
      endif()
    endif()
  endif()
  if(KESTREL_CLI11_LICENSE STREQUAL "")
    message(WARNING "No CLI11 licence found in '${KESTREL_CLI11_COPYRIGHT_FILE}': "
                    "the Debian copyright file will lack its text")
  endif()
  configure_file("${template}" "${output}" @ONLY NEWLINE_STYLE UNIX)
endfunction()
