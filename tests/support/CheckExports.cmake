# Compares the dynamic symbols a shared library defines with the functions
# its public header declares, and their number with the expected count.
#   cmake -DLIBRARY=... -DHEADER=... -DMARKER=PX720_API -DCOUNT=65 -P CheckExports.cmake
file(READ ${HEADER} header)
string(REGEX MATCHALL "\n${MARKER} [^(;]*[ *]([A-Za-z0-9_]+)\\(" declarations "${header}")
set(declared)
foreach(declaration ${declarations})
  string(REGEX REPLACE ".*[ *]([A-Za-z0-9_]+)\\($" "\\1" name "${declaration}")
  list(APPEND declared ${name})
endforeach()
list(SORT declared)

execute_process(COMMAND nm -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "nm could not read ${LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-fA-F]+ [A-Za-z] [^\n]+" lines "${symbols}")
set(exported)
foreach(line ${lines})
  string(REGEX REPLACE "^[0-9a-fA-F]+ [A-Za-z] " "" name "${line}")
  string(REGEX REPLACE "@.*" "" name "${name}")
  list(APPEND exported ${name})
endforeach()
list(SORT exported)

list(LENGTH declared declaredCount)
list(LENGTH exported exportedCount)
if(NOT declaredCount EQUAL COUNT)
  message(FATAL_ERROR "${HEADER} declares ${declaredCount} functions, expected ${COUNT}: ${declared}")
endif()
if(NOT "${declared}" STREQUAL "${exported}")
  message(FATAL_ERROR "${LIBRARY} exports ${exportedCount} names, not the ${COUNT} declared.\n"
                      "exported: ${exported}\ndeclared: ${declared}")
endif()
message(STATUS "${LIBRARY}: exactly the ${COUNT} declared functions are exported")
