# Run by cpack after it made a zip: packs the staged files again in sorted
# order. cpack adds them in the order the file system lists them, which
# differs between folders and machines; the time stamps come from
# SOURCE_DATE_EPOCH either way (set by CPackProjectConfig.cmake).
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  # The staged tree sits next to the zip, in a folder of the zip's name,
  # which is also the top folder inside the zip.
  get_filename_component(stage_root "${package}" DIRECTORY)
  string(REGEX REPLACE "\\.zip$" "" top "${package}")
  get_filename_component(top "${top}" NAME)
  if(NOT IS_DIRECTORY "${stage_root}/${top}")
    message(FATAL_ERROR "no staged files for ${package} in ${stage_root}/${top}")
  endif()
  file(GLOB_RECURSE entries RELATIVE "${stage_root}" "${stage_root}/${top}/*")
  list(SORT entries)
  file(REMOVE "${package}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -E tar cf "${package}" --format=zip -- ${entries}
                  WORKING_DIRECTORY "${stage_root}" COMMAND_ERROR_IS_FATAL ANY)
endforeach()
