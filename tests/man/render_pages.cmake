# Renders each page given in PAGES (a ;-list) with groff's man macros and every warning on; any
# warning or error fails the test.
foreach(page IN LISTS PAGES)
  execute_process(COMMAND groff -man -Tutf8 -ww -z ${page}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
    message(FATAL_ERROR "${page}: groff says (status ${status}):\n${out}${err}")
  endif()
  message(STATUS "${page}: rendered without a warning")
endforeach()
