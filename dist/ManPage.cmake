# Writes the manual page q7320(1) from the program's own help: "q7320 --help" through help2man,
# and a section per command from "q7320 COMMAND --help", so the page says what the program does.
#   cmake -DQ7320=<program> -DHELP2MAN=<help2man> -DGZIP=<gzip> -DVERSION=<x.y.z>
#         -DCOPYRIGHT=<text> -DINCLUDE=<q7320.h2m> -DOUT=<q7320.1.gz> -P ManPage.cmake

function(run_help out)
    execute_process(COMMAND ${Q7320} ${ARGN} --help OUTPUT_VARIABLE text RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
        message(FATAL_ERROR "q7320 ${ARGN} --help failed (${rc})")
    endif()
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

# Plain text as roff lines: backslashes and minus signs escaped, no line taken for a request.
function(roff_text out text)
    string(REPLACE "\\" "\\e" text "${text}")
    string(REPLACE "-" "\\-" text "${text}")
    string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" text "${text}")
    set(${out} "${text}" PARENT_SCOPE)
endfunction()

run_help(help)
string(REGEX MATCH "\nCommands:\n(([ ][^\n]*\n)+)" block "${help}")
string(REGEX MATCHALL "\n  [a-z][a-z0-9-]*" names "\n${CMAKE_MATCH_1}")
if(NOT names)
    message(FATAL_ERROR "no commands found in q7320 --help")
endif()

set(commands "[COMMANDS]\n")
foreach(name ${names})
    string(STRIP "${name}" name)
    run_help(text ${name})
    roff_text(text "${text}")
    string(APPEND commands ".SS ${name}\n.nf\n${text}.fi\n")
endforeach()

get_filename_component(work "${OUT}" DIRECTORY)
file(READ "${INCLUDE}" fixed)
string(REPLACE "%COPYRIGHT%" "${COPYRIGHT}" fixed "${fixed}")
file(WRITE "${work}/q7320-commands.h2m" "${commands}")
file(WRITE "${work}/q7320-fixed.h2m" "${fixed}")

# help2man takes a second usage line only as "  or:  q7320 ..."; it reads the help through a
# wrapper of the program's name that says so.
file(WRITE "${work}/help2man/q7320"
     "#!/bin/sh\n\"${Q7320}\" \"$@\" | sed '/^Usage:/,/^$/s/^       q7320 /   or: q7320 /'\n")
file(CHMOD "${work}/help2man/q7320" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

string(REGEX REPLACE "\\.gz$" "" page "${OUT}")
execute_process(
    COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section=1 "--version-string=${VERSION}"
            "--name=companion of the handheld CO2, humidity and temperature meter"
            "--include=${work}/q7320-fixed.h2m" "--include=${work}/q7320-commands.h2m"
            "--output=${page}" "${work}/help2man/q7320"
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "help2man failed (${rc})")
endif()
execute_process(COMMAND ${GZIP} -9nf "${page}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
    message(FATAL_ERROR "gzip failed (${rc})")
endif()
