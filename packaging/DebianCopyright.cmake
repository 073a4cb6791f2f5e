# The Debian copyright file: ours, plus the notice of the CLI11 code that
# kestrel-cli compiles in (Cli11Notice.cmake).
#   kestrel_debian_copyright(<template> <output>)
include_guard(GLOBAL)
include(${CMAKE_CURRENT_LIST_DIR}/Cli11Notice.cmake)

function(kestrel_debian_copyright template output)
  kestrel_cli11_notice()
  configure_file("${template}" "${output}" @ONLY NEWLINE_STYLE UNIX)
endfunction()
