# Makes veltrano-convert's man page with help2man from its --help and
# --version, and the sections of INCLUDE:
#
#   cmake -DHELP2MAN=... -DPROGRAM=... -DINCLUDE=... -DOUTPUT=... -P man_page.cmake
#
# The FFmpeg line of --version names the library the program finds when it
# runs, not a fact of the program: a system update changes it under an
# installed page, and help2man would print it in the page's description.
# help2man is handed --version without it.
execute_process(COMMAND ${PROGRAM} --version OUTPUT_VARIABLE version RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "${PROGRAM} --version failed: ${status}")
endif()
string(REGEX REPLACE "\nFFmpeg [^\n]*" "" version "${version}")
execute_process(
    COMMAND ${HELP2MAN} --no-info --section=1
            "--name=convert .264 recordings into AVI or MP4 files"
            --include=${INCLUDE} "--version-string=${version}" --output=${OUTPUT} ${PROGRAM}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man failed on ${PROGRAM}: ${status}")
endif()
