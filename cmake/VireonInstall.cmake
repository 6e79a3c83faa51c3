# Installs the program like a desktop program (the program and the simulator, the icon in
# every size, the desktop entry and the AppStream metainfo) and packages it as a .deb.
include(GNUInstallDirs)

set(VIREON_APP_ID org.vireon.Vireon2)
set(linux_dir ${VIREON_TOP}/packaging/linux)

install(TARGETS vireon2 probe-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${linux_dir}/${VIREON_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${linux_dir}/${VIREON_APP_ID}.metainfo.xml.in
               ${CMAKE_BINARY_DIR}/${VIREON_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/${VIREON_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${linux_dir}/${VIREON_APP_ID}.svg DESTINATION ${icons}/scalable/apps)
# The fixed sizes are drawn from the one picture at build time.
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    set(pngs "")
    foreach(size 16 22 24 32 48 64 128 256)
        set(png ${CMAKE_BINARY_DIR}/icons/${size}x${size}/${VIREON_APP_ID}.png)
        add_custom_command(OUTPUT ${png}
                           COMMAND ${CMAKE_COMMAND} -E make_directory
                                   ${CMAKE_BINARY_DIR}/icons/${size}x${size}
                           COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png}
                                   ${linux_dir}/${VIREON_APP_ID}.svg
                           DEPENDS ${linux_dir}/${VIREON_APP_ID}.svg VERBATIM)
        install(FILES ${png} DESTINATION ${icons}/${size}x${size}/apps)
        list(APPEND pngs ${png})
    endforeach()
    add_custom_target(vireon2-icons ALL DEPENDS ${pngs})
else()
    message(STATUS "rsvg-convert not found: only the scalable icon is installed")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vireon2)
set(CPACK_PACKAGE_VENDOR "The Vireon II developers")
set(CPACK_PACKAGE_CONTACT "The Vireon II developers <vireon2@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Monitor for isotropic electromagnetic-field probes")
set(CPACK_PACKAGE_DESCRIPTION
    "Talks over a serial port to a laser detector unit and its fiber-optic field probe (or a \
four-range or E/H probe), shows the field as readouts, a time graph and a bar graph, and logs \
readings to comma-separated files. Comes with probe-sim, a simulated probe.")
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The run-time libraries (Qt 6 Core, Gui, Widgets, SerialPort, libudev, ...) as dpkg-shlibdeps
# finds them in the binaries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
