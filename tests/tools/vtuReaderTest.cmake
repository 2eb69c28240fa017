# One reader test of the ParaView series: in a fresh working directory that already holds step
# files of an earlier, longer run, the converter writes the series of a fixture (--to vtu, or
# the sub-mesh with --to interp --submesh vtu) and checkVtuSeries.py checks it with VTK and
# meshio; the solid series is also compared with the Tecplot file the converter writes
# through its dialogue for the same outputs.
#
#   cmake -DRESCONV=... -DPYTHON=... -DCHECKER=... -DFIXTURES=... -DWORK=...
#         -DMODE=solid|submesh -DCOMPRESS=ON|OFF -DTIMES=ON|OFF -P vtuReaderTest.cmake
cmake_minimum_required(VERSION 3.20)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
file(COPY "${FIXTURES}/RES.DAT" "${FIXTURES}/OTF_TIMES.DAT" "${FIXTURES}/OTF_MESH.DAT"
     DESTINATION "${WORK}")

if(MODE STREQUAL "submesh")
  set(stem VTKMESH)
  set(timesFile OTF_MESH.DAT)
else()
  set(stem VTK)
  set(timesFile OTF_TIMES.DAT)
endif()
# Leftovers of a longer run, which the series must remove.
file(MAKE_DIRECTORY "${WORK}/${stem}")
file(WRITE "${WORK}/${stem}/${stem}_0004.vtu" "stale")
file(WRITE "${WORK}/${stem}/${stem}_0012.vtu" "stale")

set(converterArgs RES.DAT -q)
set(checkArgs --result RES.DAT)
if(COMPRESS)
  list(APPEND converterArgs --vtu-compress)
  list(APPEND checkArgs --compressed)
endif()
if(MODE STREQUAL "submesh")
  # The sub-mesh series carries the distance along the section.
  list(APPEND converterArgs --to interp --times ${timesFile} --submesh vtu)
  list(APPEND checkArgs --submesh ${timesFile} --section)
else()
  list(APPEND converterArgs --to vtu)
  if(TIMES)
    list(APPEND converterArgs --times ${timesFile})
    list(APPEND checkArgs --times ${timesFile})
  endif()
endif()

execute_process(COMMAND "${RESCONV}" ${converterArgs}
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "writing the series failed: ${status}")
endif()

if(MODE STREQUAL "solid")
  # The Tecplot file of the same outputs: the result file's name typed, output form 1, and the
  # output-time question answered.
  if(TIMES)
    file(WRITE "${WORK}/answers.txt" "1\nRES.DAT\n1\n1\n${timesFile}\n")
  else()
    file(WRITE "${WORK}/answers.txt" "1\nRES.DAT\n1\n0\n")
  endif()
  execute_process(COMMAND "${RESCONV}" INPUT_FILE "${WORK}/answers.txt"
                  OUTPUT_FILE "${WORK}/console.txt" WORKING_DIRECTORY "${WORK}"
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "resconv failed: ${status}")
  endif()
  list(APPEND checkArgs --tecplot TECPLOT.TXT)
endif()

execute_process(COMMAND "${PYTHON}" "${CHECKER}" ${stem}.pvd ${checkArgs}
                WORKING_DIRECTORY "${WORK}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the series does not read back as expected")
endif()
