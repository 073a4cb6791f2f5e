# The notice of the CLI11 code that kestrel-cli compiles in, taken from the
# Debian copyright file of the CLI11 package that the build uses, so the
# notice is always that version's own. Its licence text is never copied into
# this repository.
#   kestrel_cli11_notice()
# sets in the caller's scope:
#   KESTREL_CLI11_COPYRIGHT       the holders ("2017-2020 ...")
#   KESTREL_CLI11_LICENSE_NAME    the licence's short name ("BSD-3-clause")
#   KESTREL_CLI11_LICENSE         its "License:" paragraph, in the Debian
#                                 copyright format (indented, "." lines)
#   KESTREL_CLI11_LICENSE_TEXT    the same text as plain lines
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

function(kestrel_cli11_notice)
  set(copyright "(unknown)")
  set(license_name "(unknown)")
  set(license "")
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
      set(copyright "${CMAKE_MATCH_1}")
      string(REGEX MATCH "\nLicense: ([^\n]*)" _ "\n${files}")
      set(license_name "${CMAKE_MATCH_1}")
      # ... whose text is a paragraph of its own.
      string(FIND "${text}" "\n\nLicense: ${license_name}\n" license_at)
      if(license_at GREATER_EQUAL 0)
        math(EXPR license_at "${license_at} + 2")
        _kestrel_paragraph("${text}" ${license_at} license)
        string(REGEX REPLACE "[ \t]+\n" "\n" license "${license}\n")
        string(STRIP "${license}" license)
      endif()
    endif()
  endif()
  if(license STREQUAL "")
    message(WARNING "No CLI11 licence found in '${KESTREL_CLI11_COPYRIGHT_FILE}': "
                    "the notices will lack its text")
  endif()
  # Plain lines: the "License:" line dropped, one space of indentation
  # removed, "." lines made empty.
  string(FIND "${license}" "\n" first_end)
  set(plain "")
  if(first_end GREATER_EQUAL 0)
    string(SUBSTRING "${license}" ${first_end} -1 plain)
  endif()
  string(REPLACE "\n " "\n" plain "${plain}\n")
  string(REPLACE "\n.\n" "\n\n" plain "${plain}")
  string(STRIP "${plain}" plain)
  set(KESTREL_CLI11_COPYRIGHT "${copyright}" PARENT_SCOPE)
  set(KESTREL_CLI11_LICENSE_NAME "${license_name}" PARENT_SCOPE)
  set(KESTREL_CLI11_LICENSE "${license}" PARENT_SCOPE)
  set(KESTREL_CLI11_LICENSE_TEXT "${plain}" PARENT_SCOPE)
endfunction()
