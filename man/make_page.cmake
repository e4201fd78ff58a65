# Makes one manual page with help2man: cmake -DHELP2MAN=... -DPROGRAM=... -DHELP_OPTION=... -DINCLUDE=...
# -DOUT=... -P make_page.cmake. help2man reads the help as UTF-8; the page is written with groff's
# name for the one non-ASCII character the help texts hold (the degree sign), so man and groff
# render it alike whatever encoding they would guess.
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --locale=C.UTF-8 --help-option=${HELP_OPTION}
          --version-option=--version --include=${INCLUDE} ${PROGRAM}
  OUTPUT_VARIABLE page ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR page STREQUAL "")
  message(FATAL_ERROR "help2man ${PROGRAM} ${HELP_OPTION} failed (${status}):\n${errors}")
endif()
string(REPLACE "°" "\\(de" page "${page}")
file(WRITE ${OUT} "${page}")
