# cmake -DCPACK=... -DBUILD=<build folder> -DNAME=<package name> -DEXPECTED=<files>
#       -DWINE=wine -DCLOSER=<start_and_close.exe> -P package_test.cmake
# Makes the package from the built programs, unpacks it, compares its files
# with EXPECTED and starts the packaged game, which must show its window, end
# cleanly when closed and leave its settings file beside itself.
set(work ${BUILD}/package-test)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work}/unpacked)

execute_process(COMMAND ${CPACK} --config ${BUILD}/CPackConfig.cmake -B ${work}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT status EQUAL 0 OR NOT EXISTS ${work}/${NAME}.zip)
  message(FATAL_ERROR "cpack made no ${NAME}.zip:\n${log}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${work}/${NAME}.zip WORKING_DIRECTORY ${work}/unpacked
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cannot unpack ${NAME}.zip")
endif()

set(root ${work}/unpacked/${NAME})
file(GLOB_RECURSE found RELATIVE ${root} ${work}/unpacked/*)
list(SORT found)
list(SORT EXPECTED)
if(NOT found STREQUAL EXPECTED)
  message(FATAL_ERROR "${NAME}.zip holds\n  ${found}\ninstead of\n  ${EXPECTED}")
endif()
message(STATUS "${NAME}.zip holds ${found}")

execute_process(COMMAND ${WINE} ${CLOSER} marblequake.exe Marblequake WORKING_DIRECTORY ${root}
                RESULT_VARIABLE status OUTPUT_VARIABLE log ERROR_QUIET)
message(STATUS "${log}")
if(NOT status EQUAL 0 OR NOT EXISTS ${root}/marblequake.ini)
  message(FATAL_ERROR "the packaged marblequake.exe did not start and end cleanly")
endif()
