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

install(DIRECTORY ${PELMORA_PROGRAM_DIR}/ DESTINATION . USE_SOURCE_PERMISSIONS)
