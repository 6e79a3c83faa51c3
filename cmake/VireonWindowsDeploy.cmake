# Puts into a program folder every DLL its programs need that Windows does not bring, as
# windeployqt does: the roots (copied there unless they are there already) and the plugins
# named, then whatever each of them imports, found in the search folders, followed to the end.
# An import found in none of them must be one of the system's own DLLs, those MinGW-w64 links
# through an import library (libkernel32.a for KERNEL32.dll) or an API set (api-ms-win-...);
# anything else fails the deployment, since the program would not start.
#   cmake -DDEST=folder -DROOTS=a.exe;b.dll -DPLUGIN_DIR=qt/plugins
#         -DPLUGINS=platforms/qwindows.dll;... -DDIRS=folder;... -DOBJDUMP=objdump
#         -DSYSTEM_LIBS=/usr/x86_64-w64-mingw32/lib -P VireonWindowsDeploy.cmake
# or those but DEST and ROOTS from a file given as -DSETTINGS=file.
# Run from the install script too, which sets no policies of its own.
cmake_policy(SET CMP0057 NEW)
if(SETTINGS)
    include(${SETTINGS})
endif()
foreach(var DEST PLUGIN_DIR DIRS OBJDUMP SYSTEM_LIBS)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "VireonWindowsDeploy.cmake needs -D${var}=...")
    endif()
endforeach()

set(queue "")
foreach(root ${ROOTS})
    get_filename_component(name ${root} NAME)
    if(NOT root STREQUAL "${DEST}/${name}")
        file(COPY ${root} DESTINATION ${DEST})
    endif()
    list(APPEND queue ${DEST}/${name})
endforeach()
foreach(plugin ${PLUGINS})
    get_filename_component(sub ${plugin} DIRECTORY)
    file(COPY ${PLUGIN_DIR}/${plugin} DESTINATION ${DEST}/${sub})
    list(APPEND queue ${DEST}/${plugin})
endforeach()

set(seen "")
while(queue)
    list(POP_FRONT queue file)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "cannot read the imports of ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" imports "${dump}")
    foreach(import ${imports})
        string(REPLACE "DLL Name: " "" dll "${import}")
        string(TOLOWER "${dll}" key)
        if(key IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${key})
        string(REGEX REPLACE "\\.dll$" "" stem "${key}")
        set(found "")
        foreach(dir ${DIRS})
            if(EXISTS ${dir}/${dll})
                set(found ${dir}/${dll})
                break()
            endif()
        endforeach()
        if(found)
            file(COPY ${found} DESTINATION ${DEST})
            list(APPEND queue ${DEST}/${dll})
        elseif(NOT key MATCHES "^api-ms-win-" AND NOT EXISTS ${SYSTEM_LIBS}/lib${stem}.a)
            message(FATAL_ERROR "${file} needs ${dll}, which is neither in ${DIRS} nor a "
                                "system DLL")
        endif()
    endforeach()
endwhile()
