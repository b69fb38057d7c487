cmake_policy(VERSION 3.20)
# Writes the source of a program's manual page: the template with its OPTIONS section
# made from what the program prints for --help, so that the page and the help text
# come from one source and cannot drift apart.
#   cmake -DPROGRAM=program -DTEMPLATE=NAME.1.scd.in -DOUTPUT=NAME.1.scd
#         -DPROJECT_VERSION=x.y.z -P options-page.cmake
#
# The help text is CLI11's: after an "Options:" line, each option begins on a line
# indented by two spaces, its names and value beside its description (two spaces or
# more between them); a description that does not fit beside them, or that goes on,
# stands on further lines indented deeper.
execute_process(COMMAND ${PROGRAM} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} --help failed: ${status}")
endif()

# The text is cut into a CMake list of lines: list separators and brackets (which
# would hold list elements together) are set aside first and put back per line.
string(REPLACE ";" "<semicolon>" help "${help}")
string(REPLACE "[" "<open>" help "${help}")
string(REPLACE "]" "<close>" help "${help}")
string(REPLACE "\n" ";" lines "${help}")

# scdoc reads a backslash, "*" and "_" as markup, also inside words.
function(scdoc_escape text out)
  string(REPLACE "<semicolon>" ";" text "${text}")
  string(REPLACE "<open>" "[" text "${text}")
  string(REPLACE "<close>" "]" text "${text}")
  string(REPLACE "\\" "\\\\" text "${text}")
  string(REPLACE "*" "\\*" text "${text}")
  string(REPLACE "_" "\\_" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

# One option as scdoc: "*-h*, *--help*" or "*--jobs* _N_:INT ...", and its
# description on an indented line.
set(OPTIONS "")
set(count 0)
function(add_entry column description)
  string(REGEX MATCH "^[^ ]+" names "${column}")
  string(LENGTH "${names}" length)
  string(SUBSTRING "${column}" ${length} -1 value)
  string(STRIP "${value}" value)
  string(REPLACE "," ";" names "${names}")
  set(heading "")
  foreach(name ${names})
    scdoc_escape("${name}" name)
    if(NOT heading STREQUAL "")
      string(APPEND heading ", ")
    endif()
    string(APPEND heading "*${name}*")
  endforeach()
  if(NOT value STREQUAL "")
    # The value's name in italics; CLI11's note of its kind and range behind it.
    string(REGEX MATCH "^[^: ]+" placeholder "${value}")
    string(LENGTH "${placeholder}" length)
    string(SUBSTRING "${value}" ${length} -1 rest)
    scdoc_escape("${placeholder}" placeholder)
    scdoc_escape("${rest}" rest)
    string(APPEND heading " _${placeholder}_${rest}")
  endif()
  scdoc_escape("${description}" description)
  string(SUBSTRING "${description}" 0 1 first)
  string(TOUPPER "${first}" first)
  string(SUBSTRING "${description}" 1 -1 description)
  set(description "${first}${description}")
  if(NOT description MATCHES "[.!?]$")
    string(APPEND description ".")
  endif()
  set(OPTIONS "${OPTIONS}${heading}\n\t${description}\n\n" PARENT_SCOPE)
endfunction()

set(in_options FALSE)
set(column "")
set(description "")
foreach(line ${lines})
  if(line MATCHES "^[^ ].*:$")
    set(in_options FALSE)
    if(line STREQUAL "Options:")
      set(in_options TRUE)
    endif()
  elseif(NOT in_options OR line STREQUAL "")
  elseif(line MATCHES "^  ([^ ]+( [^ ]+)*)(  +([^ ].*))?$")
    if(NOT column STREQUAL "")
      add_entry("${column}" "${description}")
    endif()
    set(column "${CMAKE_MATCH_1}")
    set(description "${CMAKE_MATCH_4}")
    math(EXPR count "${count} + 1")
  elseif(NOT column STREQUAL "" AND line MATCHES "^   +([^ ].*)$")
    if(NOT description STREQUAL "")
      string(APPEND description " ")
    endif()
    string(APPEND description "${CMAKE_MATCH_1}")
  else()
    message(FATAL_ERROR "${PROGRAM} --help: a line that is not an option: '${line}'")
  endif()
endforeach()
if(NOT column STREQUAL "")
  add_entry("${column}" "${description}")
endif()
if(count LESS 3)
  message(FATAL_ERROR "${PROGRAM} --help lists only ${count} options")
endif()
string(STRIP "${OPTIONS}" OPTIONS)

file(READ ${TEMPLATE} page)
string(CONFIGURE "${page}" page @ONLY)
file(WRITE ${OUTPUT} "${page}")
