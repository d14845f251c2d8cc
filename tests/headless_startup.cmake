# Starts the program the way a machine without a display would and checks
# that it says so and writes the start-up graph instead of failing.
# Called with -DQUBLE=<program> -DOUT=<png path>.
file(REMOVE "${OUT}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY --unset=QT_QPA_PLATFORM
          "${QUBLE}" --startup-png "${OUT}"
  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_VARIABLE out TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "quble exited with ${rc}: ${err}")
endif()
if(NOT err MATCHES "No display available: writing the start-up graph to")
  message(FATAL_ERROR "quble did not say that no display was available: ${err}")
endif()
if(NOT EXISTS "${OUT}")
  message(FATAL_ERROR "quble wrote no start-up graph")
endif()
file(SIZE "${OUT}" size)
file(READ "${OUT}" magic LIMIT 8 HEX)
if(size LESS 2000 OR NOT magic STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the start-up graph is no PNG with a drawing (${size} bytes)")
endif()
