# Checks of the menu entry, icon, metadata and completion.
tessimor_test(icon_tests SOURCES icon_test.cpp LIBS ui)

# Infos fail too; pedantic hints are only shown.
add_test(NAME packaging.appstream_validate
  COMMAND appstreamcli validate --no-net --strict --pedantic
          ${_packaging_dir}/org.example.tessimor.eeprom.metainfo.xml)
add_test(NAME packaging.completion
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/completion_test.sh
          ${_packaging_dir}/completion/tessimor-eeprom-cli)
