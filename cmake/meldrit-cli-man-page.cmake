# Writes the manual page of meldrit-cli with help2man: the program's own --help and --version, the
# hand-written sections of packaging/meldrit-cli.h2m, and a COMMANDS section made of every command's
# --help, so that the page never falls behind the options.
#
#   cmake -DCLI=... -DHELP2MAN=... -DINCLUDE=... -DOUTPUT=... -P meldrit-cli-man-page.cmake

foreach(variable CLI HELP2MAN INCLUDE OUTPUT)
  if(NOT DEFINED ${variable})
    message(FATAL_ERROR "${variable} is not set")
  endif()
endforeach()

get_filename_component(cli_folder ${CLI} DIRECTORY)
get_filename_component(output_folder ${OUTPUT} DIRECTORY)
# Run by its bare name, so that the usage lines read "meldrit-cli", not the build path.
set(ENV{PATH} "${cli_folder}:$ENV{PATH}")
set(ENV{LC_ALL} C)

# Roff takes a backslash as an escape and a leading dot or quote as a request.
function(roff_text text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

execute_process(COMMAND meldrit-cli --help OUTPUT_VARIABLE top RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "meldrit-cli --help failed")
endif()
# The commands are the words indented under "Subcommands:".
string(REGEX REPLACE ".*\nSubcommands:\n" "" listing "${top}")
string(REGEX MATCHALL "(^|\n)  [a-z]+" commands "${listing}")

# One command's --help as a manual section: its summary and usage as paragraphs, each option a
# tagged paragraph that roff fills to the page's width. The program's footer, which every command's
# help repeats, is left to the page's own sections.
function(command_section help out)
  # A CMake list splits at ";": set the text's own aside while it is cut into lines.
  string(REPLACE ";" "<semicolon>" help "${help}")
  string(REPLACE "\n" ";" lines "${help}")
  set(roff "")
  set(options FALSE)
  foreach(line IN LISTS lines)
    string(REPLACE "<semicolon>" ";" line "${line}")
    if(line MATCHES "^meldrit-cli --request ")
      break()
    elseif(line STREQUAL "")
      continue()
    elseif(line MATCHES "^Usage: (.*)$")
      roff_text("${CMAKE_MATCH_1}" usage)
      string(APPEND roff ".PP\n\\fB${usage}\\fR\n")
    elseif(line MATCHES "^[A-Z][A-Za-z ]*:$")
      roff_text("${line}" heading)
      string(APPEND roff ".PP\n${heading}\n")
      set(options TRUE)
    elseif(options AND line MATCHES "^  ([^ ].*[^ ])   +([^ ].*)$")
      roff_text("${CMAKE_MATCH_1}" name)
      roff_text("${CMAKE_MATCH_2}" text)
      string(APPEND roff ".TP\n\\fB${name}\\fR\n${text}\n")
    elseif(options AND line MATCHES "^  ([^ ].*)$")
      roff_text("${CMAKE_MATCH_1}" name)
      string(APPEND roff ".TP\n\\fB${name}\\fR\n")
    elseif(line MATCHES "^ +(.*)$")
      roff_text("${CMAKE_MATCH_1}" text)
      string(APPEND roff "${text}\n")
    else()
      roff_text("${line}" text)
      string(APPEND roff ".PP\n${text}\n")
    endif()
  endforeach()
  set(${out} "${roff}" PARENT_SCOPE)
endfunction()

file(READ ${INCLUDE} sections)
string(APPEND sections "\n[COMMANDS]\n")
foreach(command IN LISTS commands)
  string(STRIP "${command}" command)
  execute_process(COMMAND meldrit-cli ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "meldrit-cli ${command} --help failed")
  endif()
  command_section("${help}" help)
  string(APPEND sections ".SS ${command}\n${help}")
endforeach()
file(WRITE ${output_folder}/meldrit-cli.h2m "${sections}")

execute_process(
  COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 --include=${output_folder}/meldrit-cli.h2m
          --output=${OUTPUT} meldrit-cli
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed")
endif()
