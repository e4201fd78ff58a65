# Makes one manual page with help2man: cmake -DHELP2MAN=... -DPROGRAM=... -DHELP_OPTION=... -DINCLUDE=...
# -DOUT=... -DRELEASE_DATE=... -P make_page.cmake. help2man reads the help as UTF-8; the page is written with groff's
# name for the one non-ASCII character the help texts hold (the degree sign), so man and groff
# render it alike whatever encoding they would guess.
# The page's date is the release's, not the day of the build, so two builds give the same page.
execute_process(COMMAND date -u -d "${RELEASE_DATE}" +%s OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE date_status)
if(date_status EQUAL 0)
  set(ENV{SOURCE_DATE_EPOCH} "${epoch}")
endif()
execute_process(
  COMMAND ${HELP2MAN} --no-info --section=1 --locale=C.UTF-8 --help-option=${HELP_OPTION}
          --version-option=--version --include=${INCLUDE} ${PROGRAM}
  OUTPUT_VARIABLE page ERROR_VARIABLE errors RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR page STREQUAL "")
  message(FATAL_ERROR "help2man ${PROGRAM} ${HELP_OPTION} failed (${status}):\n${errors}")
endif()
string(REPLACE "°" "\\(de" page "${page}")
file(WRITE ${OUT} "${page}")
