# Read by cpack for every package it makes. The DEB generator takes its time
# stamps from SOURCE_DATE_EPOCH; without one from the caller, the build's own
# (the commit time) is used, so a package made by hand is reproducible too.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH} AND CPACK_KESTREL_SOURCE_DATE_EPOCH)
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_KESTREL_SOURCE_DATE_EPOCH}")
endif()
# Zip entries hold local times: pack in UTC so the zone of the machine does
# not show in the archive.
set(ENV{TZ} "UTC0")
