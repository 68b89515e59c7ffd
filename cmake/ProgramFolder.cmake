# Fills build/Pelmora, the complete program folder, from resources/. Files that a merchant's
# work changes are only put there when missing: a rebuild never overwrites a merchant's data.
add_custom_target(program_folder ALL
  COMMAND ${CMAKE_COMMAND}
    -DSOURCE=${CMAKE_SOURCE_DIR}/resources
    -DTARGET=${PELMORA_PROGRAM_DIR}
    -DMAKEDB=$<TARGET_FILE:pelmora-makedb>
    -P ${CMAKE_SOURCE_DIR}/cmake/FillProgramFolder.cmake
  DEPENDS pelmora-makedb
  COMMENT "Filling the program folder ${PELMORA_PROGRAM_DIR}"
  VERBATIM)
add_dependencies(program_folder pelmora pelmora-cli)

# Installing makes the same folder at the prefix from the programs and resources/ alone (never
# from what runs left in build/Pelmora), and likewise keeps a merchant's files that are there.
install(TARGETS pelmora pelmora-cli RUNTIME DESTINATION .)
install(CODE "execute_process(COMMAND \"${CMAKE_COMMAND}\"
    \"-DSOURCE=${CMAKE_SOURCE_DIR}/resources\"
    \"-DTARGET=\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\"
    \"-DMAKEDB=$<TARGET_FILE:pelmora-makedb>\"
    -P \"${CMAKE_SOURCE_DIR}/cmake/FillProgramFolder.cmake\"
  RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR \"Could not fill the program folder \$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
  endif()")
