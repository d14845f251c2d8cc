# Installs the build into a scratch prefix and uses it as a user would: the
# desktop files validate and name what is installed, the installed program
# starts, gives the user a folder of their own seeded with the examples, and
# writes nothing into the installation; the installed command line runs.
# Called with -DBUILD=<build dir> -DOUT=<scratch dir>.
file(REMOVE_RECURSE "${OUT}")
set(prefix "${OUT}/usr")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${prefix}"
  RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${err}")
endif()

set(id org.quble.Quble)
set(expected bin/quble bin/quble-cli share/applications/${id}.desktop share/metainfo/${id}.metainfo.xml
  share/icons/hicolor/scalable/apps/quble.svg share/quble/help/index.html share/quble/help/guide.css
  share/quble/ReadMe.txt share/quble/1r_1a share/quble/procs_5 share/quble/Ex5.emf)
foreach(size 16 22 24 32 48 64 128 256)
  list(APPEND expected share/icons/hicolor/${size}x${size}/apps/quble.png)
endforeach()
foreach(f IN LISTS expected)
  if(NOT EXISTS "${prefix}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(GLOB installed_bin RELATIVE "${prefix}/bin" "${prefix}/bin/*")

# The desktop entry starts an installed program and shows an installed icon.
file(STRINGS "${prefix}/share/applications/${id}.desktop" exec_line REGEX "^Exec=")
file(STRINGS "${prefix}/share/applications/${id}.desktop" icon_line REGEX "^Icon=")
string(REGEX REPLACE "^Exec=([^ ]+).*" "\\1" exec_name "${exec_line}")
string(REGEX REPLACE "^Icon=" "" icon_name "${icon_line}")
if(NOT EXISTS "${prefix}/bin/${exec_name}")
  message(FATAL_ERROR "the desktop entry starts '${exec_name}', which is not installed")
endif()
if(NOT EXISTS "${prefix}/share/icons/hicolor/scalable/apps/${icon_name}.svg")
  message(FATAL_ERROR "the desktop entry shows icon '${icon_name}', which is not installed")
endif()
find_program(DFV desktop-file-validate)
if(DFV)
  execute_process(COMMAND "${DFV}" "${prefix}/share/applications/${id}.desktop"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR out MATCHES "error|warning")
    message(FATAL_ERROR "desktop-file-validate: ${out}${err}")
  endif()
endif()
find_program(ASCLI appstreamcli)
if(ASCLI)
  execute_process(COMMAND "${ASCLI}" validate --no-net --no-color "${prefix}/share/metainfo/${id}.metainfo.xml"
    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "appstreamcli validate: ${out}${err}")
  endif()
endif()

# A first start of the installed program by a user with an empty home.
set(home "${OUT}/home")
file(MAKE_DIRECTORY "${home}")
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=XDG_DATA_HOME --unset=XDG_DATA_DIRS --unset=DISPLAY
          --unset=WAYLAND_DISPLAY "HOME=${home}" QT_QPA_PLATFORM=offscreen
          "${prefix}/bin/quble" --startup-png "${OUT}/start.png"
  RESULT_VARIABLE rc ERROR_VARIABLE err TIMEOUT 120)
if(NOT rc EQUAL 0 OR NOT EXISTS "${OUT}/start.png")
  message(FATAL_ERROR "the installed quble did not start (${rc}): ${err}")
endif()
set(user "${home}/.local/share/quble")
foreach(f "Examples/ReadMe.txt" "Examples/1a_15-Deoxygoyazensolide (Example 1a)/1r"
          "Examples/5_Lactam RVALE-007 (Example 5)/Ex5.emf")
  if(NOT EXISTS "${user}/${f}")
    message(FATAL_ERROR "the user's folder was not seeded: ${f} is missing")
  endif()
endforeach()
if(err MATCHES "could not|missing")
  message(FATAL_ERROR "the installed quble reported a problem: ${err}")
endif()
file(GLOB bin_after RELATIVE "${prefix}/bin" "${prefix}/bin/*")
if(NOT bin_after STREQUAL installed_bin OR EXISTS "${prefix}/share/quble/Examples")
  message(FATAL_ERROR "the program wrote into the installation: bin now holds ${bin_after}")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env "HOME=${home}" "${prefix}/bin/quble-cli" simulate --h 2500:7,7 --width 1
          --resolution 0.1 --shape lorentzian --json
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err TIMEOUT 60)
if(NOT rc EQUAL 0 OR NOT out MATCHES "\"envelope\"")
  message(FATAL_ERROR "the installed quble-cli simulate failed (${rc}): ${err}")
endif()
file(REMOVE_RECURSE "${OUT}")
