# The end-to-end suites against the Windows programs of a cross build, run under Wine:
#
#   cmake -S . -B build-windows-e2e -DWINDOWS_PROGRAMS=$PWD/build-windows
#
# Each suite is built as for the Linux programs, with RESCONV_PATH and TSERIES_PATH naming small
# scripts that start resconv.exe and tseries.exe under Wine, and with every text the runs leave
# checked for CR LF line ends (programRun.h). The tests carry the label "windows".
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

function(addWindowsRunTest name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE resconvCore tseriesCore GTest::gtest GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(${name} PRIVATE
    FIXTURE_DIR="${CMAKE_CURRENT_SOURCE_DIR}/fixtures"
    RESCONV_PATH="${CMAKE_CURRENT_BINARY_DIR}/windowsPrograms/resconv"
    TSERIES_PATH="${CMAKE_CURRENT_BINARY_DIR}/windowsPrograms/tseries"
    EXAMPLES_DIR="${PROJECT_SOURCE_DIR}/examples" PROJECT_VERSION="${PROJECT_VERSION}"
    PROGRAMS_END_LINES_WITH_CRLF)
  setProjectWarnings(${name})
  target_compile_options(${name} PRIVATE -Wno-restrict)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX windows.
                       PROPERTIES LABELS windows FIXTURES_REQUIRED winePrefix)
endfunction()

addWindowsRunTest(workedExampleTests e2e/workedExamplesTest.cpp)
addWindowsRunTest(femapRunTests e2e/femapRunTest.cpp)
addWindowsRunTest(converterTests e2e/converterLoopTest.cpp)
addWindowsRunTest(pointsRunTests e2e/pointsRunTest.cpp)
addWindowsRunTest(converterDialogueTests e2e/converterDialogueTest.cpp)
addWindowsRunTest(tseriesRunTests e2e/tseriesRunTest.cpp)
addWindowsRunTest(writerRunTests e2e/writerRunsTest.cpp)
addWindowsRunTest(badInputTests e2e/badInputTest.cpp)
addWindowsRunTest(commandLineTests e2e/commandLineTest.cpp)
addWindowsRunTest(formTableTests e2e/formTableTest.cpp)
addWindowsRunTest(balanceRunTests e2e/balanceRunTest.cpp)
addWindowsRunTest(selectionRunTests e2e/selectionRunTest.cpp)
addWindowsRunTest(windowsOnlyTests windows/windowsOnlyTest.cpp)
target_compile_definitions(windowsOnlyTests PRIVATE WINE_PATH="${WINE}"
  WINE_PREFIX="${winePrefix}" RESCONV_EXE="${WINDOWS_PROGRAMS}/resconv.exe")
