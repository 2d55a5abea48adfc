# The window programs: the real one, and the demo on a simulated or given adapter.
add_executable(tessimor-eeprom eeprom_main.cpp)
target_link_libraries(tessimor-eeprom PRIVATE ui)

add_library(window_demo STATIC demo_memory.cpp)
target_link_libraries(window_demo PUBLIC ui sim)

add_executable(tessimor-eeprom-demo demo_main.cpp)
target_link_libraries(tessimor-eeprom-demo PRIVATE window_demo)
