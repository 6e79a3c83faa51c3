# Simulated four-range and E/H probes, included by the simulator's CMakeLists.
add_library(vireon_sim_families STATIC
    ${CMAKE_CURRENT_LIST_DIR}/sim_probe52xx.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sim_probe_eh.cpp)
target_include_directories(vireon_sim_families PUBLIC ${CMAKE_CURRENT_LIST_DIR} ${VIREON_TOP}/src)
target_link_libraries(vireon_sim_families PUBLIC vireon_common)
