# The time stamp of everything a build writes into a package (manual page
# dates, archive entries): SOURCE_DATE_EPOCH when the caller sets it,
# otherwise the time of the checked-out commit, so two builds of one commit
# agree. Sets KESTREL_SOURCE_DATE_EPOCH (empty outside a git checkout).
set(KESTREL_SOURCE_DATE_EPOCH "")
if(DEFINED ENV{SOURCE_DATE_EPOCH} AND "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  set(KESTREL_SOURCE_DATE_EPOCH "$ENV{SOURCE_DATE_EPOCH}")
else()
  find_package(Git QUIET)
  if(GIT_FOUND)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${CMAKE_SOURCE_DIR}" log -1 --format=%ct
                    OUTPUT_VARIABLE _kestrel_commit_time OUTPUT_STRIP_TRAILING_WHITESPACE
                    RESULT_VARIABLE _kestrel_git_status ERROR_QUIET)
    if(_kestrel_git_status EQUAL 0 AND _kestrel_commit_time MATCHES "^[0-9]+$")
      set(KESTREL_SOURCE_DATE_EPOCH "${_kestrel_commit_time}")
    endif()
  endif()
endif()
