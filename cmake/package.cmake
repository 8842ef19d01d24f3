# The Windows package: `cmake --build build/windows --target package` writes
# marblequake-1.07-win32.zip with the game, the programs listed in
# MQ_PACKAGED_PROGRAMS, both tile sets and a read-me for Windows players.
set(MQ_TILE_SETS symbols large)
install(TARGETS marblequake ${MQ_PACKAGED_PROGRAMS} RUNTIME DESTINATION .)
install(DIRECTORY ${CMAKE_SOURCE_DIR}/sprites/ DESTINATION sprites)
# Notepad before Windows 10 shows a file without carriage returns as one line.
configure_file(${CMAKE_SOURCE_DIR}/docs/windows-readme.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME Marblequake)
set(CPACK_PACKAGE_VENDOR "The Marblequake team")
set(MQ_PACKAGE_NAME marblequake-${PROJECT_VERSION}-win32)
set(CPACK_PACKAGE_FILE_NAME ${MQ_PACKAGE_NAME})
include(CPack)

# Makes the package, checks its list of files and starts the packaged game.
set(MQ_PACKAGE_FILES marblequake.exe README.txt)
foreach(program ${MQ_PACKAGED_PROGRAMS})
  list(APPEND MQ_PACKAGE_FILES ${program}.exe)
endforeach()
foreach(set ${MQ_TILE_SETS})
  foreach(i RANGE 1 6)
    list(APPEND MQ_PACKAGE_FILES sprites/${set}/Ball${i}.bmp)
  endforeach()
endforeach()
add_test(NAME marblequake_package COMMAND ${CMAKE_COMMAND} -DCPACK=${CMAKE_CPACK_COMMAND}
         -DBUILD=${CMAKE_BINARY_DIR} -DNAME=${MQ_PACKAGE_NAME} "-DEXPECTED=${MQ_PACKAGE_FILES}"
         -DWINE=${CMAKE_CROSSCOMPILING_EMULATOR} -DCLOSER=$<TARGET_FILE:start_and_close>
         -P ${CMAKE_SOURCE_DIR}/cmake/package_test.cmake)
set_tests_properties(marblequake_package PROPERTIES TIMEOUT 180)
