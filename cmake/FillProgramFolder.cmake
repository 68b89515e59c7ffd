# cmake -DSOURCE=resources -DTARGET=program-folder -DMAKEDB=tool -P FillProgramFolder.cmake
foreach(dir db db/backup cnfg logs tmp email "Data template")
  file(MAKE_DIRECTORY "${TARGET}/${dir}")
endforeach()

# Shipped defaults that nobody edits are refreshed on every build.
file(COPY "${SOURCE}/cnfg/grid_config_default.ini" DESTINATION "${TARGET}/cnfg")

# Everything else is the merchant's once it is there.
file(GLOB_RECURSE shipped RELATIVE "${SOURCE}" "${SOURCE}/*")
foreach(item ${shipped})
  if(item STREQUAL "cnfg/grid_config_default.ini")
    continue()
  endif()
  if(NOT EXISTS "${TARGET}/${item}")
    get_filename_component(dir "${TARGET}/${item}" DIRECTORY)
    file(COPY "${SOURCE}/${item}" DESTINATION "${dir}")
  endif()
endforeach()

if(NOT EXISTS "${TARGET}/db/Pelmora.tdbd")
  execute_process(COMMAND "${MAKEDB}" "${TARGET}/db/Pelmora.tdbd" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "Could not make the default database")
  endif()
endif()
