# The Windows program folder: Qt's DLLs and plugins and the C++ run-time put beside the
# programs of the build (so that they run under Wine from the build folder) and beside the
# installed program; from the installed folder, the installer and the portable zip.

# Where the DLLs come from: Qt's folders and the MinGW-w64 run-time's.
get_filename_component(qt_prefix ${Qt6_DIR}/../../.. ABSOLUTE)
set(dll_dirs ${qt_prefix}/bin)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${path}")
        get_filename_component(dir ${path} DIRECTORY)
        list(APPEND dll_dirs ${dir})
    endif()
endforeach()
list(REMOVE_DUPLICATES dll_dirs)
list(GET CMAKE_FIND_ROOT_PATH 0 mingw_root)
set(VIREON_DEPLOY_SETTINGS ${CMAKE_BINARY_DIR}/deploy-settings.cmake)
file(WRITE ${VIREON_DEPLOY_SETTINGS}
     "set(PLUGIN_DIR \"${qt_prefix}/plugins\")\n"
     "set(PLUGINS platforms/qwindows.dll styles/qwindowsvistastyle.dll)\n"
     "set(DIRS \"${dll_dirs}\")\n"
     "set(OBJDUMP \"${CMAKE_OBJDUMP}\")\n"
     "set(SYSTEM_LIBS \"${mingw_root}/lib\")\n")
set(deploy_script ${CMAKE_CURRENT_LIST_DIR}/VireonWindowsDeploy.cmake)

# Every program of the build links the run-time DLLs, so they are there before any is run.
add_custom_target(windows-dlls ALL
    COMMAND ${CMAKE_COMMAND} -DDEST=${CMAKE_RUNTIME_OUTPUT_DIRECTORY}
            "-DROOTS=$<TARGET_FILE:Qt6::Core>$<SEMICOLON>$<TARGET_FILE:Qt6::Gui>$<SEMICOLON>$<TARGET_FILE:Qt6::Widgets>"
            -DSETTINGS=${VIREON_DEPLOY_SETTINGS} -P ${deploy_script}
    VERBATIM)

# The program's icon, drawn from the one picture at build time, and its version, as a resource.
function(vireon_windows_resources target)
    find_program(RSVG_CONVERT rsvg-convert REQUIRED)
    find_program(MAGICK_CONVERT convert REQUIRED)
    set(svg ${VIREON_TOP}/packaging/linux/org.vireon.Vireon2.svg)
    set(VIREON_ICO ${CMAKE_CURRENT_BINARY_DIR}/${target}.ico)
    set(draw "")
    set(pngs "")
    foreach(size 16 24 32 48 64 256)
        set(png ${CMAKE_CURRENT_BINARY_DIR}/icon-${size}.png)
        list(APPEND draw COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${svg})
        list(APPEND pngs ${png})
    endforeach()
    add_custom_command(OUTPUT ${VIREON_ICO} ${draw}
                       COMMAND ${MAGICK_CONVERT} ${pngs} ${VIREON_ICO} DEPENDS ${svg} VERBATIM)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${VIREON_TOP}/packaging/windows/vireon2.rc.in ${rc} @ONLY)
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${VIREON_ICO})
    target_sources(${target} PRIVATE ${rc})
    set_property(GLOBAL PROPERTY VIREON_ICO ${VIREON_ICO})
endfunction()

# The installed folder holds the program and what it needs, flat; `windows-package` makes
# package/vireon2-VERSION-setup.exe (NSIS) and package/vireon2-VERSION-windows-x64.zip from it.
function(vireon_windows_package)
    install(TARGETS vireon2 RUNTIME DESTINATION .)
    install(CODE "set(DEST \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}\")
                  set(ROOTS \"\${DEST}/vireon2.exe\")
                  include(\"${VIREON_DEPLOY_SETTINGS}\")
                  include(\"${deploy_script}\")")

    set(name vireon2-${PROJECT_VERSION})
    set(stage ${CMAKE_BINARY_DIR}/stage)
    set(out ${CMAKE_BINARY_DIR}/package)
    get_property(ico GLOBAL PROPERTY VIREON_ICO)
    add_custom_target(windows-package
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${stage} ${out}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
        COMMAND ${CMAKE_COMMAND} --install ${CMAKE_BINARY_DIR} --prefix ${stage}/${name}
        COMMAND ${CMAKE_COMMAND} -DSTAGE=${stage}/${name} -DOUTFILE=${out}/${name}-setup.exe
                -DVERSION=${PROJECT_VERSION} -DICON=${ico}
                -P ${VIREON_TOP}/packaging/windows/make-installer.cmake
        COMMAND ${CMAKE_COMMAND} -E chdir ${stage}
                ${CMAKE_COMMAND} -E tar cf ${out}/${name}-windows-x64.zip --format=zip ${name}
        DEPENDS vireon2
        BYPRODUCTS ${out}/${name}-setup.exe ${out}/${name}-windows-x64.zip
        VERBATIM)
endfunction()
