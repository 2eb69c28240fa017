# The end-to-end suites against the Windows programs of a cross build, run under Wine:
#
#   cmake -S . -B build-windows-e2e -DWINDOWS_PROGRAMS=$PWD/build-windows
#
# Each suite is built as for the Linux programs, with RESCONV_PATH and TSERIES_PATH naming small
# scripts that start resconv.exe and tseries.exe under Wine, and with every text the runs leave
# checked for CR LF line ends (programRun.h); the VTK reader tests read the series the Windows
# program writes. The tests carry the label "windows".
find_program(WINE NAMES wine64 wine PATHS /usr/lib/wine REQUIRED)
find_program(WINESERVER NAMES wineserver64 wineserver PATHS /usr/lib/wine REQUIRED)
set(winePrefix ${WINDOWS_PROGRAMS}/wine-prefix)
foreach(program resconv tseries)
  if(NOT EXISTS ${WINDOWS_PROGRAMS}/${program}.exe)
    message(FATAL_ERROR "WINDOWS_PROGRAMS: no ${program}.exe in ${WINDOWS_PROGRAMS}")
  endif()
  set(exe ${WINDOWS_PROGRAMS}/${program}.exe)
  configure_file(${CMAKE_CURRENT_SOURCE_DIR}/windows/underWine.sh.in
                 ${CMAKE_CURRENT_BINARY_DIR}/windowsPrograms/${program} @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
endforeach()

# The prefix is made (and its server kept running) before the first run, whose start-up
# messages would otherwise land in a test's standard error.
add_test(NAME windows.winePrefix.start
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/winePrefix.sh start ${WINE} ${WINESERVER}
                 ${winePrefix})
add_test(NAME windows.winePrefix.stop
         COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/windows/winePrefix.sh stop ${WINE} ${WINESERVER}
                 ${winePrefix})
set_tests_properties(windows.winePrefix.start PROPERTIES FIXTURES_SETUP winePrefix LABELS windows)
set_tests_properties(windows.winePrefix.stop PROPERTIES FIXTURES_CLEANUP winePrefix LABELS windows)

# What addSuiteTest builds the end-to-end suites with.
set(testedResconv ${CMAKE_CURRENT_BINARY_DIR}/windowsPrograms/resconv)
set(testedTseries ${CMAKE_CURRENT_BINARY_DIR}/windowsPrograms/tseries)
set(runDefinitions PROGRAMS_END_LINES_WITH_CRLF)
set(testPrefix windows.)
set(testProperties LABELS windows FIXTURES_REQUIRED winePrefix)
