# Writes kestrune-cli's manual page with help2man: the synopsis and the list of
# commands from `kestrune-cli --help`, the version from --version, and a section
# with each command's own --help, so the page never falls behind the program.
# Run with -DCLI=... -DHELP2MAN=... -DOUTPUT=... -DWORK=...; OUTPUT is compressed
# with gzip, as manual pages are installed.

# The commands are the ones `kestrune-cli --help` lists.
execute_process(COMMAND ${CLI} --help OUTPUT_VARIABLE usage RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "kestrune-cli --help failed")
endif()
string(REGEX MATCHALL "\n  [a-z-]+ " commands "${usage}")
list(TRANSFORM commands STRIP)
if(NOT commands)
  message(FATAL_ERROR "kestrune-cli --help lists no commands")
endif()
set(include "[DESCRIPTION]\nkestrune-cli lists, imports and exports the projects of the Kestrune\n")
string(APPEND include "project library without a display. It reads and writes the same\n")
string(APPEND include "projects as the Kestrune window.\n\n[COMMANDS]\n")
foreach(command ${commands})
  execute_process(COMMAND ${CLI} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "kestrune-cli ${command} --help failed")
  endif()
  # Backslashes and leading dots or quotes mean something to troff.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(APPEND include ".SS ${command}\n.nf\n${help}.fi\n")
endforeach()
string(APPEND include "\n[FILES]\n.TP\n.I $XDG_DATA_HOME/Kestrune/projects\n")
string(APPEND include "The project library (by default ~/.local/share/Kestrune/projects).\n")
file(WRITE ${WORK}/kestrune-cli.h2m "${include}")

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen
          ${HELP2MAN} --no-info --section=1
          "--name=the Kestrune project library and exports from the command line"
          --include=${WORK}/kestrune-cli.h2m --output=${WORK}/kestrune-cli.1 ${CLI}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "help2man failed for kestrune-cli")
endif()
execute_process(COMMAND gzip -n -9 -c ${WORK}/kestrune-cli.1 OUTPUT_FILE ${OUTPUT}
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "gzip failed for kestrune-cli's manual page")
endif()
