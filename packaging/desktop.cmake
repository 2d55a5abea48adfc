# The window and the station each have an entry and a component of their own; they share the icon.
install(FILES tessimor-eeprom.desktop tessimor-eeprom-station.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES icons/tessimor-eeprom.svg
  DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES org.example.tessimor.eeprom.metainfo.xml
  org.example.tessimor.eeprom.station.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# bash-completion's own folder when it lies inside the prefix, kept relative so that --prefix
# moves it along; otherwise the folder it also searches under any prefix in XDG_DATA_DIRS.
set(_completions_dir ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
find_package(PkgConfig QUIET)
if(PKG_CONFIG_FOUND)
  pkg_get_variable(_bash_completions bash-completion completionsdir)
  if(_bash_completions)
    cmake_path(IS_PREFIX CMAKE_INSTALL_PREFIX "${_bash_completions}" NORMALIZE _inside_prefix)
    if(_inside_prefix)
      cmake_path(RELATIVE_PATH _bash_completions BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}"
        OUTPUT_VARIABLE _completions_dir)
    endif()
  endif()
endif()
# bash-completion loads a command's completion from the file of its name; the station's is a link
# to the one file that holds both.
install(FILES completion/tessimor-eeprom-cli DESTINATION ${_completions_dir})
set(_station_completion ${CMAKE_CURRENT_BINARY_DIR}/completion/tessimor-eeprom-station)
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/completion)
file(CREATE_LINK tessimor-eeprom-cli ${_station_completion} SYMBOLIC)
install(FILES ${_station_completion} DESTINATION ${_completions_dir})
