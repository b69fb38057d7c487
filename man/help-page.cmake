# Writes the source of the dravik manual page: the template with the command
# reference that dravik itself prints for HELP, so that the page and the help text
# come from one source and cannot drift apart.
#   cmake -DDRAVIK=program -DTEMPLATE=dravik.1.scd.in -DOUTPUT=dravik.1.scd
#         -DPROJECT_VERSION=x.y.z -P help-page.cmake
get_filename_component(folder ${OUTPUT} DIRECTORY)
set(input ${folder}/help.dvk)
file(WRITE ${input} "help\n")
execute_process(COMMAND ${DRAVIK} INPUT_FILE ${input} OUTPUT_VARIABLE transcript
  RESULT_VARIABLE status WORKING_DIRECTORY ${folder})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${DRAVIK} failed on HELP: ${status}")
endif()

# The help text stands between the first prompt (">> ") and the next prompt's
# "default drive/path is" line.
string(FIND "${transcript}" ">> " begin)
string(FIND "${transcript}" "\ndefault drive/path is" end REVERSE)
if(begin LESS 0 OR end LESS begin)
  message(FATAL_ERROR "no help text in the output of ${DRAVIK}")
endif()
math(EXPR begin "${begin} + 3")
math(EXPR length "${end} - ${begin}")
string(SUBSTRING "${transcript}" ${begin} ${length} DRAVIK_HELP)
string(REGEX REPLACE "^\n+" "" DRAVIK_HELP "${DRAVIK_HELP}")
string(REGEX REPLACE "[ \n]+$" "" DRAVIK_HELP "${DRAVIK_HELP}")
# scdoc takes a backslash as an escape, also in literal blocks.
string(REPLACE "\\" "\\\\" DRAVIK_HELP "${DRAVIK_HELP}")

file(READ ${TEMPLATE} page)
string(CONFIGURE "${page}" page @ONLY)
file(WRITE ${OUTPUT} "${page}")
