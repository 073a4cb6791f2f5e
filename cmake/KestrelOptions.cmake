# The warning and sanitizer flags shared by every target of the project, as
# the interface target kestrel_options. Included by the main build and by
# the builds that stand on their own (the page's WebAssembly build, the
# native helpers of the dialog's tests).
option(KESTREL_WERROR "Treat compiler warnings as errors" OFF)
option(KESTREL_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)

add_library(kestrel_options INTERFACE)
if(MSVC)
  target_compile_options(kestrel_options INTERFACE /W4)
else()
  target_compile_options(kestrel_options INTERFACE -Wall -Wextra)
  if(KESTREL_WERROR)
    target_compile_options(kestrel_options INTERFACE -Werror)
  endif()
  if(KESTREL_SANITIZE)
    target_compile_options(kestrel_options INTERFACE
      -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_link_options(kestrel_options INTERFACE -fsanitize=address,undefined)
  endif()
endif()
