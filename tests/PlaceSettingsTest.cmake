# The build places shipped settings beside the program without touching edited ones.
#   cmake -DSCRIPT=<cmake/PlaceSettings.cmake> -DWORK=<scratch folder> -P PlaceSettingsTest.cmake
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/src/ST_CONFIG.TXT" "shipped config")
file(WRITE "${WORK}/src/ST_JOY.TXT" "shipped joy")
file(WRITE "${WORK}/src/ST_PARZ.TXT" "shipped parz")
file(WRITE "${WORK}/bin/ST_CONFIG.TXT" "edited by the user")
file(WRITE "${WORK}/bin/ST_PARZ.TXT" "shipped parz")

foreach(round 1 2)  # a second build changes nothing either
  execute_process(COMMAND ${CMAKE_COMMAND} -DSRC=${WORK}/src -DDST=${WORK}/bin -P ${SCRIPT}
                  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "placing failed: ${rc}")
  endif()
  foreach(pair "ST_CONFIG.TXT=edited by the user" "ST_JOY.TXT=shipped joy"
               "ST_PARZ.TXT=shipped parz")
    string(FIND "${pair}" "=" eq)
    string(SUBSTRING "${pair}" 0 ${eq} name)
    math(EXPR from "${eq} + 1")
    string(SUBSTRING "${pair}" ${from} -1 expected)
    file(READ "${WORK}/bin/${name}" got)
    if(NOT got STREQUAL expected)
      message(FATAL_ERROR "round ${round}: ${name} holds '${got}', expected '${expected}'")
    endif()
  endforeach()
endforeach()
file(REMOVE_RECURSE "${WORK}")
