# Runs PROGRAM, built on the broken copy SCRIPT of the resource script: it
# must exit with status 1 and name the file and line of the unknown symbol.
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE status ERROR_VARIABLE err TIMEOUT 30)
file(READ ${SCRIPT} text)
string(FIND "${text}" "IDC_NOWHERE" at)
string(SUBSTRING "${text}" 0 ${at} before)
string(REGEX MATCHALL "\n" newlines "${before}")
list(LENGTH newlines count)
math(EXPR line "${count} + 1")
set(expected "res/Veltrano.rc:${line}: unknown symbol 'IDC_NOWHERE'")
string(FIND "${err}" "${expected}" found)
if(NOT status EQUAL 1 OR found EQUAL -1)
    message(FATAL_ERROR "exit status ${status}, stderr \"${err}\"; "
                        "expected status 1 and \"${expected}\"")
endif()
