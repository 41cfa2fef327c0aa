# Writes the cinderpath(1) manual page from the program's own help texts, so
# the page never tells another story than `cinderpath help`.
#   cmake -DPROGRAM=<cinderpath> -DOUT=<cinderpath.1> -DVERSION=<x.y.z> -P ManPage.cmake
if(NOT PROGRAM OR NOT OUT)
  message(FATAL_ERROR "PROGRAM and OUT are needed")
endif()

# Help text as roff: verbatim lines, backslashes and leading dots escaped.
function(_cp_roff text out)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  set(${out} ".nf\n${text}.fi\n" PARENT_SCOPE)
endfunction()

set(page ".TH CINDERPATH 1 \"\" \"cinderpath ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\ncinderpath \\- render audio through the Cinderpath valve preamplifier, list its settings, draw its editor\n")
execute_process(COMMAND ${PROGRAM} help OUTPUT_VARIABLE usage RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${PROGRAM} help failed")
endif()
_cp_roff("${usage}" roff)
string(APPEND page ".SH SYNOPSIS\n${roff}")
foreach(topic render info snapshot editor)
  execute_process(COMMAND ${PROGRAM} help ${topic} OUTPUT_VARIABLE text RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} help ${topic} failed")
  endif()
  string(TOUPPER "${topic}" heading)
  _cp_roff("${text}" roff)
  string(APPEND page ".SH ${heading}\n${roff}")
endforeach()
string(APPEND page ".SH FILES\n.TP\n/usr/lib/cinderpath/Cinderpath.component\nthe plug-in bundle the command loads (\\fBCINDERPATH_COMPONENT\\fR names another)\n"
  ".TP\n/usr/lib/lv2/Cinderpath.lv2\nthe LV2 plug-in for LV2 hosts\n")
file(WRITE "${OUT}" "${page}")
