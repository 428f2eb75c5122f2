# Places the shipped settings files in the program's folder, only where a file is
# missing: settings a user edited there are never overwritten.
#   cmake -DSRC=<settings folder> -DDST=<program folder> -P PlaceSettings.cmake
file(MAKE_DIRECTORY "${DST}")
file(GLOB shipped "${SRC}/*")
foreach(src ${shipped})
  get_filename_component(name "${src}" NAME)
  set(dst "${DST}/${name}")
  if(NOT EXISTS "${dst}")
    file(COPY "${src}" DESTINATION "${DST}")
    message(STATUS "Placed settings file ${dst}")
  else()
    file(SHA256 "${src}" shippedHash)
    file(SHA256 "${dst}" keptHash)
    if(NOT shippedHash STREQUAL keptHash)
      message(STATUS "Kept your settings file ${dst} (the shipped one, ${src}, differs; "
                     "delete yours to take it)")
    endif()
  endif()
endforeach()
