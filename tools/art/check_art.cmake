# Regenerates the art into a scratch directory and fails unless each file is
# byte for byte the committed copy, and no committed picture is left over.
# Refresh the committed copies with: pivora-art <source>/src/ui/art
cmake_minimum_required(VERSION 3.20)

foreach(required ART_TOOL FRESH COMMITTED)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "check_art.cmake needs -D${required}=...")
  endif()
endforeach()

file(REMOVE_RECURSE "${FRESH}")
execute_process(COMMAND "${ART_TOOL}" "${FRESH}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "pivora-art failed: ${status}")
endif()

file(GLOB produced RELATIVE "${FRESH}" "${FRESH}/*")
file(GLOB committed RELATIVE "${COMMITTED}" "${COMMITTED}/*.bmp" "${COMMITTED}/*.ico" "${COMMITTED}/*.png")
if(NOT produced)
  message(FATAL_ERROR "pivora-art wrote nothing")
endif()

set(problems "")
foreach(name IN LISTS produced)
  if(NOT EXISTS "${COMMITTED}/${name}")
    string(APPEND problems "\n  missing from ${COMMITTED}: ${name}")
  else()
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${FRESH}/${name}" "${COMMITTED}/${name}"
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
      string(APPEND problems "\n  differs: ${name}")
    endif()
  endif()
endforeach()
foreach(name IN LISTS committed)
  if(NOT name IN_LIST produced)
    string(APPEND problems "\n  no longer generated: ${name}")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "The committed art is out of date:${problems}\n"
                      "Regenerate it with: pivora-art ${COMMITTED}")
endif()
list(LENGTH produced count)
message(STATUS "${count} art files match")
