# Run by CPack (CPACK_PRE_BUILD_SCRIPTS) on the staged files before they are
# packed: strips the programs as Debian's dh_strip does, so the package holds
# no debugging symbols and no .comment or .note sections (lintian's
# unstripped-binary-or-object, binary-has-unneeded-section).
if(NOT CPACK_VELTRANO_STRIP)
    message(FATAL_ERROR "strip-programs: no strip program (CMAKE_STRIP) was found")
endif()
message(STATUS "strip-programs: staged in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
file(GLOB _programs ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin/*)
if(NOT _programs)
    message(FATAL_ERROR "strip-programs: no program in ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/usr/bin")
endif()
foreach(_program IN LISTS _programs)
    execute_process(
        COMMAND ${CPACK_VELTRANO_STRIP} --remove-section=.comment --remove-section=.note
                ${_program}
        RESULT_VARIABLE _status)
    if(NOT _status EQUAL 0)
        message(FATAL_ERROR "strip-programs: ${CPACK_VELTRANO_STRIP} failed on ${_program}")
    endif()
endforeach()
