# CLI11 for the MinGW-w64 build. Its headers are the same for every target,
# but the host's include folder must not reach the cross compiler (it holds
# the host's C library): they are copied into the build folder, and the
# target CLI11::CLI11 that the command-line tools link is defined over the
# copy before any of them looks for CLI11. The host's CLI11 package then
# finds its target defined and adds nothing; a lookup of the header alone
# finds CLI11_INCLUDE_DIR set.
include_guard(GLOBAL)

find_path(KESTREL_HOST_CLI11_INCLUDE_DIR CLI/CLI.hpp NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(KESTREL_CLI11_COPY ${CMAKE_BINARY_DIR}/cli11-include)
file(COPY ${KESTREL_HOST_CLI11_INCLUDE_DIR}/CLI DESTINATION ${KESTREL_CLI11_COPY})
add_library(CLI11::CLI11 INTERFACE IMPORTED GLOBAL)
set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${KESTREL_CLI11_COPY})
set(CLI11_INCLUDE_DIR ${KESTREL_CLI11_COPY} CACHE PATH "CLI11 headers (the copy of the cross build)" FORCE)
