# Builds the installer from an installed program folder: lists its files for the installer to
# copy and for the uninstaller to remove (one by one, so that nothing else in the folder goes),
# then runs makensis.
#   cmake -DSTAGE=folder -DOUTFILE=setup.exe -DVERSION=x.y.z -DICON=app.ico -P make-installer.cmake
set(here ${CMAKE_CURRENT_LIST_DIR})
find_program(MAKENSIS makensis REQUIRED)
file(GLOB_RECURSE files RELATIVE ${STAGE} ${STAGE}/*)
list(SORT files)
set(install "")
set(remove "")
set(folders "")
foreach(file ${files})
    get_filename_component(folder "${file}" DIRECTORY)
    string(REPLACE "/" "\\" wfile "${file}")
    set(wfolder "")
    if(folder)
        string(REPLACE "/" "\\" wfolder "\\${folder}")
        list(APPEND folders "${wfolder}")
    endif()
    string(APPEND install "SetOutPath \"$INSTDIR${wfolder}\"\nFile \"${STAGE}/${file}\"\n")
    string(APPEND remove "Delete \"$INSTDIR\\${wfile}\"\n")
endforeach()
list(REMOVE_DUPLICATES folders)
list(SORT folders ORDER DESCENDING) # inner folders first
foreach(folder ${folders})
    string(APPEND remove "RMDir \"$INSTDIR${folder}\"\n")
endforeach()
file(WRITE ${STAGE}.install.nsh "${install}SetOutPath \"$INSTDIR\"\n")
file(WRITE ${STAGE}.uninstall.nsh "${remove}")
execute_process(COMMAND ${MAKENSIS} -V2 -DVERSION=${VERSION} -DICON=${ICON} -DOUTFILE=${OUTFILE}
                        -DFILES=${STAGE}.install.nsh -DUNFILES=${STAGE}.uninstall.nsh
                        ${here}/vireon2.nsi
                RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "makensis failed")
endif()
