# The command-line tool: its logic in `cli`, so the tests link the same code.
add_library(cli STATIC
  ${CMAKE_CURRENT_LIST_DIR}/cli_commands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_escape.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_file_bytes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_image_input.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_link.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_options.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_port_messages.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_ports.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_progress.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_reply_watch.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_signals.cpp
  ${CMAKE_CURRENT_LIST_DIR}/cli_window.cpp
)
target_include_directories(cli PUBLIC ${PROJECT_SOURCE_DIR})
target_link_libraries(cli PUBLIC engine platform Qt6::Core Qt6::SerialPort)

add_executable(tessimor-eeprom-cli ${CMAKE_CURRENT_LIST_DIR}/cli_main.cpp)
target_compile_definitions(tessimor-eeprom-cli PRIVATE
  TESSIMOR_VERSION="${PROJECT_VERSION}")
target_link_libraries(tessimor-eeprom-cli PRIVATE cli)
