# The program's --example option: an unknown name is refused with the list of
# examples, a known one is loaded through its menu entry before the picture
# is taken, so the picture differs from the start-up one; a spectrum to show
# that cannot be opened fails the run, and so do a malformed or outside band to
# analyse.
# Called with -DQUBLE=<program> -DOUT=<folder>.
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
set(env ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME=${OUT}/cfg XDG_DATA_HOME=${OUT}/data)

execute_process(COMMAND ${env} "${QUBLE}" --example "Example 9" --startup-png "${OUT}/none.png"
  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
if(NOT rc EQUAL 2 OR NOT err MATCHES "There is no example \"Example 9\"; the examples are:.*\"Example 1/H7\".*\"Example 5\"")
  message(FATAL_ERROR "an unknown example gave ${rc}: ${err}")
endif()
if(EXISTS "${OUT}/none.png")
  message(FATAL_ERROR "a picture was written for an unknown example")
endif()

foreach(run IN ITEMS start example)
  set(args --startup-png "${OUT}/${run}.png")
  if(run STREQUAL "example")
    list(APPEND args --example "Example 2")
  endif()
  execute_process(COMMAND ${env} "${QUBLE}" ${args} RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${OUT}/${run}.png")
    message(FATAL_ERROR "quble ${args} exited with ${rc} and wrote no picture: ${err}")
  endif()
endforeach()
file(SHA256 "${OUT}/start.png" a)
file(SHA256 "${OUT}/example.png" b)
if(a STREQUAL b)
  message(FATAL_ERROR "the picture with --example \"Example 2\" is the start-up picture")
endif()

# --startup-png without a path, last or followed by another option, writes
# quble-startup.png in the current folder and does not take the next option
# as its path.
foreach(run IN ITEMS last beforeoption)
  file(MAKE_DIRECTORY "${OUT}/${run}")
  set(args --startup-png)
  if(run STREQUAL "beforeoption")
    list(APPEND args --example "Example 2")
  endif()
  execute_process(COMMAND ${env} "${QUBLE}" ${args} WORKING_DIRECTORY "${OUT}/${run}"
    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
  if(NOT rc EQUAL 0 OR NOT EXISTS "${OUT}/${run}/quble-startup.png")
    message(FATAL_ERROR "quble ${args} exited with ${rc} and wrote no quble-startup.png: ${err}")
  endif()
  if(EXISTS "${OUT}/${run}/--example")
    message(FATAL_ERROR "--startup-png took the next option as its path")
  endif()
endforeach()
file(SHA256 "${OUT}/beforeoption/quble-startup.png" c)
if(c STREQUAL a)
  message(FATAL_ERROR "--startup-png --example \"Example 2\" ignored the example")
endif()

# A spectrum to show that cannot be opened fails the run and writes no
# picture, rather than picturing the example spectrum in its place.
file(WRITE "${OUT}/not-bruker/1r" "")
execute_process(COMMAND ${env} "${QUBLE}" --screenshot "${OUT}/refused.png" --open-experimental "${OUT}/not-bruker/1r"
  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
if(NOT rc EQUAL 1 OR NOT err MATCHES "not-bruker/1r is not opened: " OR EXISTS "${OUT}/refused.png")
  message(FATAL_ERROR "a spectrum that cannot be opened gave ${rc}: ${err}")
endif()

# --analyse takes two different shifts, and a band outside the spectrum
# fails the run without a picture.
foreach(bad IN ITEMS "3.8" "3.8:x" "3.8:3.8")
  execute_process(COMMAND ${env} "${QUBLE}" --screenshot "${OUT}/bad.png" --open-experimental example --analyse "${bad}"
    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
  if(NOT rc EQUAL 2 OR NOT err MATCHES "--analyse wants two different shifts in ppm")
    message(FATAL_ERROR "--analyse ${bad} gave ${rc}: ${err}")
  endif()
endforeach()
execute_process(COMMAND ${env} "${QUBLE}" --screenshot "${OUT}/outside.png" --open-experimental example --analyse 40:39
  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET TIMEOUT 120)
if(NOT rc EQUAL 1 OR NOT err MATCHES "40 to 39 ppm is not within the spectrum" OR EXISTS "${OUT}/outside.png")
  message(FATAL_ERROR "a band outside the spectrum gave ${rc}: ${err}")
endif()
