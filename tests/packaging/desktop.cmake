# Checks of the metadata and the completion; the icon is checked as the window's.

# Infos fail too; pedantic hints are only shown.
add_test(NAME packaging.appstream_validate
  COMMAND appstreamcli validate --no-net --strict --pedantic
          ${_packaging_dir}/org.example.tessimor.eeprom.metainfo.xml
          ${_packaging_dir}/org.example.tessimor.eeprom.station.metainfo.xml)
add_test(NAME packaging.completion
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/completion_test.sh
          ${_packaging_dir}/completion/tessimor-eeprom-cli)
